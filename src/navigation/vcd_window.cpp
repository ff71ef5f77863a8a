#include "navigation/vcd_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QStringList>
#include <QVBoxLayout>

#include "app/form_rows.h"
#include "app/qt_shell.h"
#include "app/qt_text.h"
#include "platform/fs.h"
#include "platform/paths.h"

namespace zuruza {

namespace {

const QString kDown = QStringLiteral("Posición en Pantalla: Abajo");
const QString kUp = QStringLiteral("Posición en Pantalla: Arriba");
constexpr int kWidth = 435;
constexpr int kTreeHeight = 300;
// The form's own compact height; with this desktop's menu, bar and status
// fonts it is often too small, and CompactHeight() takes what they need.
constexpr int kCompactHeight = 90;
// Room left under a window placed at the bottom, for the task bar.
constexpr int kBottomMargin = 25;

QPushButton* AddButton(QWidget* parent, QHBoxLayout* row, const QString& name,
                       const QString& caption, const QString& accessible) {
  // Read as it is seen; what it does is the description.
  QPushButton* button = NewButton(parent, name, caption);
  button->setAccessibleDescription(accessible);
  button->setToolTip(accessible);
  row->addWidget(button);
  return button;
}

}  // namespace

Tform_vcd::Tform_vcd(QWidget* parent) : QMainWindow(parent), opener_(OpenWithDefaultApplication) {
  setObjectName("form_vcd");
  setWindowTitle("VCD (Vantrex Change Directory)");

  auto* panel = new QWidget;
  panel->setObjectName("Panel1");
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(4, 4, 4, 4);
  row->setSpacing(4);
  Button1 = AddButton(panel, row, "Button1", "VCD", "Ir al directorio");
  Button1->setDefault(true);
  Button4 = AddButton(panel, row, "Button4", "<", "Buscar hacia atrás");
  Button3 = AddButton(panel, row, "Button3", ">", "Buscar hacia adelante");
  for (QPushButton* arrow : {Button4, Button3}) arrow->setMaximumWidth(28);
  Button1->setMaximumWidth(44);
  Edit1 = NewField(panel, "Edit1", "Directorio a buscar", "Escriba el Directorio a Buscar");
  row->addWidget(Edit1, 1);
  DriveComboBox1 = new QComboBox(panel);
  DriveComboBox1->setObjectName("DriveComboBox1");
  DriveComboBox1->setAccessibleName("Unidad");
  // Long drive texts must not widen the fixed-width window.
  DriveComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  DriveComboBox1->setMinimumContentsLength(8);
  row->addWidget(DriveComboBox1);

  ListBox1 = new QListWidget;
  ListBox1->setObjectName("ListBox1");
  ListBox1->setAccessibleName("Árbol de directorios");
  // Keeps a list of hundreds of thousands of directories quick to fill and scroll.
  ListBox1->setUniformItemSizes(true);
  ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListBox1->hide();

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(panel);
  layout->addWidget(ListBox1, 1);
  setCentralWidget(central);

  StatusBar1 = new QStatusBar;
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  status_panel_ = new StatusLabel("StatusPanel1");
  status_ = ThrottledStatus{status_panel_};
  StatusBar1->addWidget(status_panel_, 1);
  setStatusBar(StatusBar1);
  BuildMenus();

  std::vector<Drive> drives = ListDrives();
  const std::size_t current = DriveIndexOf(drives, CurrentDirectory());
  FillDrives(drives, current);

  connect(Button1, &QPushButton::clicked, this, &Tform_vcd::Button1Click);
  connect(Button3, &QPushButton::clicked, this, &Tform_vcd::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &Tform_vcd::Button4Click);
  // Enter in the text is the default button.
  connect(Edit1, &QLineEdit::returnPressed, this, &Tform_vcd::Button1Click);
  connect(Edit1, &QLineEdit::textChanged, this, &Tform_vcd::Edit1Change);
  connect(DriveComboBox1, &QComboBox::currentIndexChanged, this, &Tform_vcd::DriveComboBox1Change);
  connect(ListBox1, &QListWidget::itemDoubleClicked, this, &Tform_vcd::Button1Click);
  Edit1->installEventFilter(this);
  // Typing replaces the invitation text.
  Edit1->selectAll();

  LoadCache();
  FormResize();
  move(x(), screen()->geometry().height() - height() - kBottomMargin);
}

void Tform_vcd::BuildMenus() {
  QMenu* menu = menuBar()->addMenu("Zuruza");
  menu->setObjectName("Zuruza1");
  auto add = [this](QMenu* to, const QString& caption, const QString& name,
                    void (Tform_vcd::*slot)()) {
    QAction* action = to->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  ReconstruyeArbol1 =
      add(menu, "Reconstruye Arbol", "ReconstruyeArbol1", &Tform_vcd::ReconstruyeArbol1Click);
  VerArbol1 = add(menu, "Ver Arbol", "VerArbol1", &Tform_vcd::VerArbol1Click);
  VerArbol1->setCheckable(true);
  menu->addSeparator();
  Posicion1 = add(menu, kDown, "Posicion1", &Tform_vcd::Posicion1Click);
  menu->addSeparator();
  Cortar1 = add(menu, "Cortar al Portapapeles", "Cortar1", &Tform_vcd::Cortar1Click);
  Cortar1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  menu->addSeparator();
  Salir1 = add(menu, "Salir", "Salir1", &Tform_vcd::Salir1Click);

  QMenu* help = menuBar()->addMenu("Ayuda");
  help->setObjectName("Ayuda1");
  DelaAplicacin1 = add(help, "De la Aplicación", "DelaAplicacin1", &Tform_vcd::DelaAplicacin1Click);
}

void Tform_vcd::FillDrives(const std::vector<Drive>& drives, std::size_t current) {
  drives_ = drives;
  QSignalBlocker block(DriveComboBox1);
  DriveComboBox1->clear();
  for (const Drive& drive : drives_) DriveComboBox1->addItem(ToQt(DriveText(drive)));
  DriveComboBox1->setCurrentIndex(current < drives_.size() ? static_cast<int>(current) : 0);
}

std::string Tform_vcd::CurrentMountPoint() const {
  const int index = DriveComboBox1->currentIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= drives_.size())
    return std::string(1, kPathSep);
  return drives_[static_cast<std::size_t>(index)].mount_point;
}

void Tform_vcd::SetDriveForTesting(const std::string& root) {
  Drive drive;
  drive.mount_point = EntryBase(root);
  if (drive.mount_point.empty()) drive.mount_point = std::string(1, kPathSep);
  FillDrives({drive}, 0);
  LoadCache();
}

// --- status ---

void Tform_vcd::ShowProgress(StatusBar, std::string_view text) {
  if (status_.Offer(text)) QApplication::processEvents();
}

void Tform_vcd::SetStatus(StatusBar, std::string_view text) { status_.Set(text); }

QString Tform_vcd::StatusText() const { return status_panel_->text(); }

// --- the list ---

int Tform_vcd::Selected() const { return ListBox1->currentRow(); }

void Tform_vcd::FillList() {
  QStringList items;
  items.reserve(static_cast<qsizetype>(tree_.size()));
  for (const std::string& entry : tree_.entries()) items.append(ToQt(entry));
  ListBox1->setUpdatesEnabled(false);
  ListBox1->clear();
  ListBox1->addItems(items);
  ListBox1->setCurrentRow(-1);
  ListBox1->setUpdatesEnabled(true);
}

void Tform_vcd::Select(std::ptrdiff_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= tree_.size()) {
    ListBox1->setCurrentRow(-1);
    ListBox1->clearSelection();
    return;
  }
  ListBox1->setCurrentRow(static_cast<int>(index));
  if (ListBox1->isVisible()) ListBox1->scrollToItem(ListBox1->currentItem());
}

void Tform_vcd::Guarded(const std::function<void()>& body) {
  if (job_slot_.busy()) {
    QApplication::beep();
    return;
  }
  RunGuarded(prompter_, body);
}

void Tform_vcd::Rebuild() {
  const std::string mount_point = CurrentMountPoint();
  const JobSlot::Hold hold = job_slot_.Take();
  if (!hold) return;
  // A drive change in the middle of the walk would mix two drives.
  DriveComboBox1->setEnabled(false);
  struct Done {
    Tform_vcd* window;
    ~Done() {
      window->status_.Flush();  // the walk's last progress text
      window->DriveComboBox1->setEnabled(true);
    }
  } done{this};
  status_.Restart();
  tree_.BuildTree(mount_point);
  FillList();
  tree_.SaveTreeCache(mount_point);
}

void Tform_vcd::LoadCache() {
  Guarded([this] {
    try {
      tree_.LoadTreeCache(CurrentMountPoint());
    } catch (...) {
      FillList();  // what was read before the failure stays
      throw;
    }
    FillList();
  });
}

// --- handlers ---

void Tform_vcd::Search(bool forward) {
  if (tree_.empty()) Rebuild();
  const std::string text = FromQt(Edit1->text());
  const std::ptrdiff_t found =
      forward ? tree_.FindNextMatch(text, Selected()) : tree_.FindPreviousMatch(text, Selected());
  Select(found);
  Edit1->setFocus();
  if (found >= 0)
    SetStatus(StatusBar::kStatusBar1, tree_.entries()[static_cast<std::size_t>(found)]);
}

void Tform_vcd::Button3Click() {
  Guarded([this] { Search(true); });
}

void Tform_vcd::Button4Click() {
  Guarded([this] { Search(false); });
}

void Tform_vcd::Button1Click() {
  Guarded([this] {
    if (tree_.empty()) Rebuild();
    if (Selected() < 0) Search(true);
    if (Selected() < 0) {
      prompter_.ShowMessage("No hay directorios que contengan '" + FromQt(Edit1->text()) + "'");
      return;
    }
    const std::string path = tree_.entries()[static_cast<std::size_t>(Selected())];
    if (!IsExistingDirectory(path)) {
      prompter_.ShowMessage("El directorio " + path + " ya no existe. Use \"Reconstruye Arbol\".");
      return;
    }
    opener_(path);
    Edit1->setFocus();
    SetStatus(StatusBar::kStatusBar1, path);
  });
}

void Tform_vcd::Edit1Change() { Select(-1); }

void Tform_vcd::DriveComboBox1Change() { LoadCache(); }

void Tform_vcd::ReconstruyeArbol1Click() {
  Guarded([this] {
    Rebuild();
    Edit1->setFocus();
  });
}

void Tform_vcd::VerArbol1Click() {
  // The action has already changed its check mark.
  Guarded([this] {
    if (tree_.empty()) Rebuild();
  });
  FormResize();
}

void Tform_vcd::Posicion1Click() {
  Posicion1->setText(Posicion1->text() == kDown ? kUp : kDown);
  FormResize();
}

void Tform_vcd::Cortar1Click() { QGuiApplication::clipboard()->setText(status_panel_->text()); }

void Tform_vcd::Salir1Click() { hide(); }

void Tform_vcd::DelaAplicacin1Click() {
  std::string help = ProgramDirectory() + "ayuda.html";
  if (!IsExistingFile(help)) help = ProgramDirectory() + "../share/zuruza/ayuda.html";
  if (!IsExistingFile(help)) {
    prompter_.ShowError("No se encuentra el fichero de ayuda: " + help);
    return;
  }
  opener_(help);
}

int Tform_vcd::CompactHeight() const {
  const int needed = menuBar()->sizeHint().height() +
                     centralWidget()->layout()->itemAt(0)->sizeHint().height() +
                     StatusBar1->sizeHint().height();
  return std::max(kCompactHeight, needed);
}

// Width fixed; with the tree shown 300 high, else only menu, bar and status.
// Placed at the top of the screen, or at its bottom when the position item
// reads "Arriba".
void Tform_vcd::FormResize() {
  const bool tree_shown = VerArbol1->isChecked();
  ListBox1->setVisible(tree_shown);
  const int height = tree_shown ? kTreeHeight : CompactHeight();
  setFixedSize(kWidth, height);
  if (tree_shown && Selected() >= 0) ListBox1->scrollToItem(ListBox1->currentItem());
  const int top =
      Posicion1->text() == kUp ? screen()->geometry().height() - height - kBottomMargin : 0;
  move(x(), top);
}

// --- events ---

bool Tform_vcd::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit1) {
    if (event->type() == QEvent::KeyPress) {
      switch (static_cast<QKeyEvent*>(event)->key()) {
        // The key goes on to the edit too: it moves the caret as usual.
        case Qt::Key_Right:
        case Qt::Key_Down:
          Button3Click();
          break;
        case Qt::Key_Left:
        case Qt::Key_Up:
          Button4Click();
          break;
        default:
          break;
      }
    } else if (event->type() == QEvent::ShortcutOverride &&
               static_cast<QKeyEvent*>(event)->keyCombination() ==
                   QKeyCombination(Qt::CTRL, Qt::Key_C)) {
      // The menu's Ctrl+C wins over the text's own copy.
      event->ignore();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void Tform_vcd::closeEvent(QCloseEvent* event) {
  hide();
  event->ignore();
}

}  // namespace zuruza
