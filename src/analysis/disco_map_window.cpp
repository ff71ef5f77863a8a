#include "analysis/disco_map_window.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QVBoxLayout>
#include <array>

#include "app/form_rows.h"
#include "app/qt_prompter.h"
#include "app/qt_shell.h"
#include "app/qt_text.h"
#include "base/errors.h"
#include "core/numbers.h"
#include "core/text_file.h"
#include "platform/paths.h"

namespace zuruza {

namespace {

// An item smaller than this many pixels a side is merged into its folder.
constexpr double kSmallestCell = 4;

// One colour per family, in the order of FileFamily; light enough that a
// folder's name on its frame stays readable beside them.
QColor FamilyColour(FileFamily family) {
  static const std::array<QColor, kFileFamilyCount> kColours = {
      QColor(102, 187, 106),  // images: green
      QColor(171, 71, 188),   // video: purple
      QColor(255, 167, 38),   // audio: orange
      QColor(239, 83, 80),    // archives: red
      QColor(66, 165, 245),   // documents: blue
      QColor(38, 198, 218),   // code: cyan
      QColor(176, 190, 197),  // other: grey
  };
  return kColours[static_cast<std::size_t>(family)];
}

const QColor kFrameColour(69, 90, 100);
const QColor kMergedColour(215, 215, 215);

// Each folder a shade lighter than the one around it, so that nesting shows.
QColor FolderColour(std::uint16_t depth) {
  const int shade = 236 - 6 * std::min<int>(depth, 10);
  return QColor(shade, shade, shade);
}

// Whole pixels, edges rounded, so that neighbours meet without gaps.
QRect Pixels(const MapRect& rect) {
  const int left = qRound(rect.x);
  const int top = qRound(rect.y);
  return QRect(left, top, qRound(rect.x + rect.width) - left, qRound(rect.y + rect.height) - top);
}

QString SizeText(std::uint64_t size) { return ToQt(GroupedBytes(size)); }

QPixmap Swatch(const QColor& colour, int side) {
  QPixmap swatch(side, side);
  swatch.fill(colour);
  QPainter painter(&swatch);
  painter.setPen(kFrameColour);
  painter.drawRect(0, 0, side - 1, side - 1);
  return swatch;
}

}  // namespace

OccupancyMap::OccupancyMap(QWidget* parent) : QWidget(parent) {
  setObjectName("Mapa1");
  setAccessibleName("Mapa de ocupación");
  setMinimumSize(120, 90);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setFocusPolicy(Qt::StrongFocus);
  setAccessibleDescription(Summary());
}

void OccupancyMap::SetSizes(const SizeTree* sizes) {
  sizes_ = sizes != nullptr && !sizes->empty() ? sizes : nullptr;
  selected_ = SizeTree::kNone;
  Show(sizes_ != nullptr ? sizes_->root() : SizeTree::kNone);
}

void OccupancyMap::Show(SizeTree::Index folder) {
  shown_ = folder;
  Invalidate();
  setAccessibleDescription(Summary());
  emit ShownChanged(shown_);
}

void OccupancyMap::ZoomInto(SizeTree::Index folder) {
  if (sizes_ == nullptr || folder >= sizes_->size() || !sizes_->IsFolder(folder)) return;
  Show(folder);
}

bool OccupancyMap::ZoomOut() {
  if (sizes_ == nullptr || shown_ == SizeTree::kNone) return false;
  const SizeTree::Index parent = sizes_->Parent(shown_);
  if (parent == SizeTree::kNone) return false;
  Show(parent);
  return true;
}

void OccupancyMap::Select(SizeTree::Index node) {
  selected_ = node;
  update();
  emit NodeSelected(node);
}

void OccupancyMap::Invalidate() {
  drawn_ = false;
  cells_.clear();
  update();
}

const std::vector<MapCell>& OccupancyMap::Cells() {
  EnsurePicture();
  return cells_;
}

const QImage& OccupancyMap::Picture() {
  EnsurePicture();
  return picture_;
}

void OccupancyMap::EnsurePicture() {
  if (drawn_ && picture_.size() == size()) return;
  cells_.clear();
  if (sizes_ != nullptr && shown_ != SizeTree::kNone) {
    MapOptions options;
    options.min_cell = kSmallestCell;
    options.header = fontMetrics().height() + 2;
    cells_ =
        LayOutTreemap(*sizes_, shown_,
                      {0, 0, static_cast<double>(width()), static_cast<double>(height())}, options);
  }
  DrawPicture();
  drawn_ = true;
}

void OccupancyMap::DrawPicture() {
  picture_ = QImage();
  if (size().isEmpty()) return;  // hidden before its first layout: nothing to draw on
  picture_ = QImage(size(), QImage::Format_RGB32);
  picture_.fill(palette().color(QPalette::Base));
  QPainter painter(&picture_);
  const int header = fontMetrics().height() + 2;
  for (const MapCell& cell : cells_) {
    const QRect rect = Pixels(cell.rect);
    if (rect.isEmpty()) continue;
    switch (cell.kind) {
      case CellKind::kFolder: {
        painter.fillRect(rect, kFrameColour);
        const QRect inside = rect.adjusted(1, 1, -1, -1);
        painter.fillRect(inside, FolderColour(cell.depth));
        if (inside.height() >= 3 * header && inside.width() >= 2 * header) {
          const QRect strip(inside.left() + 2, inside.top(), inside.width() - 4, header);
          painter.setPen(Qt::black);
          const QString name = cell.depth == 0 ? ToQt(sizes_->PathOf(cell.node))
                                               : ToQt(std::string(sizes_->Name(cell.node)));
          painter.drawText(strip, Qt::AlignLeft | Qt::AlignVCenter,
                           fontMetrics().elidedText(name, Qt::ElideRight, strip.width()));
        }
        break;
      }
      case CellKind::kFile: {
        const QColor colour = FamilyColour(cell.family);
        if (rect.width() >= 4 && rect.height() >= 4) {
          painter.fillRect(rect, colour.darker(135));
          painter.fillRect(rect.adjusted(0, 0, -1, -1), colour);
        } else {
          painter.fillRect(rect, colour);
        }
        break;
      }
      case CellKind::kMerged:
        painter.fillRect(rect, kMergedColour);
        painter.fillRect(rect, QBrush(kFrameColour, Qt::Dense6Pattern));
        break;
    }
  }
}

void OccupancyMap::paintEvent(QPaintEvent*) {
  EnsurePicture();
  QPainter painter(this);
  painter.drawImage(0, 0, picture_);
  if (sizes_ == nullptr) {
    painter.drawText(rect(), Qt::AlignCenter, "Pulse CALCULAR ARBOL para ver el mapa.");
    return;
  }
  if (selected_ == SizeTree::kNone) return;
  const std::ptrdiff_t cell = CellOf(cells_, *sizes_, selected_);
  if (cell < 0) return;
  painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(Pixels(cells_[static_cast<std::size_t>(cell)].rect).adjusted(1, 1, -1, -1));
}

void OccupancyMap::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Invalidate();
}

SizeTree::Index OccupancyMap::NodeAt(QPoint point) {
  EnsurePicture();
  const std::ptrdiff_t cell = CellAt(cells_, point.x() + 0.5, point.y() + 0.5);
  return cell < 0 ? SizeTree::kNone : cells_[static_cast<std::size_t>(cell)].node;
}

QString OccupancyMap::DescribeAt(QPoint point) {
  EnsurePicture();
  const std::ptrdiff_t index = CellAt(cells_, point.x() + 0.5, point.y() + 0.5);
  if (index < 0) return {};
  const MapCell& cell = cells_[static_cast<std::size_t>(index)];
  QString text = ToQt(sizes_->PathOf(cell.node));
  if (cell.kind == CellKind::kMerged) text += QString(" (%1 elementos pequeños)").arg(cell.merged);
  return text + "\n" + SizeText(cell.size);
}

QString OccupancyMap::Summary() const {
  if (sizes_ == nullptr) return "Sin mapa: pulse CALCULAR ARBOL.";
  QString text = ToQt(sizes_->PathOf(shown_)) + ": " + SizeText(sizes_->Size(shown_)) + ".";
  const std::vector<std::string> largest = LargestItems(*sizes_, shown_);
  if (!largest.empty()) text += " Lo que más ocupa:";
  for (const std::string& line : largest) text += "\n" + ToQt(line);
  return text;
}

bool OccupancyMap::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString text = DescribeAt(help->pos());
    if (text.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
  }
  return QWidget::event(event);
}

void OccupancyMap::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  const SizeTree::Index node = NodeAt(event->position().toPoint());
  if (node != SizeTree::kNone) Select(node);
}

void OccupancyMap::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
  SizeTree::Index node = NodeAt(event->position().toPoint());
  if (node == SizeTree::kNone) return;
  // A file zooms into the folder that holds it.
  if (!sizes_->IsFolder(node)) node = sizes_->Parent(node);
  if (node != shown_) ZoomInto(node);
}

void OccupancyMap::contextMenuEvent(QContextMenuEvent* event) {
  const SizeTree::Index node = NodeAt(event->pos());
  if (node == SizeTree::kNone) return;
  QMenu menu(this);
  connect(menu.addAction("Abrir la carpeta"), &QAction::triggered, this,
          [this, node] { emit OpenFolderAsked(node); });
  menu.exec(event->globalPos());
}

OccupancyMapPage::OccupancyMapPage(Prompter& prompter, QWidget* parent)
    : QWidget(parent), prompter_(prompter), opener_(OpenWithDefaultApplication) {
  setObjectName("Mapa");
  Subir1 = NewButton(this, "Subir1", "Subir");
  GrabarImagen1 = NewButton(this, "GrabarImagen1", "Grabar imagen");
  Carpeta1 = new QLabel(this);
  Carpeta1->setObjectName("Carpeta1");
  Carpeta1->setAccessibleName("Carpeta del mapa");
  Carpeta1->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Mapa1 = new OccupancyMap(this);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Subir1);
  buttons->addWidget(GrabarImagen1);
  buttons->addWidget(Carpeta1, 1);

  auto* legend = new QHBoxLayout;
  const int side = fontMetrics().height() - 2;
  for (int family = 0; family < kFileFamilyCount; ++family) {
    const auto kind = static_cast<FileFamily>(family);
    const QString caption = ToQt(std::string(FamilyCaption(kind)));
    auto* swatch = new QLabel(this);
    swatch->setPixmap(Swatch(FamilyColour(kind), side));
    swatch->setAccessibleName("Color de " + caption);
    legend->addWidget(swatch);
    legend->addWidget(new QLabel(caption, this));
    legend->addSpacing(side);
  }
  auto* merged = new QLabel(this);
  QPixmap merged_swatch = Swatch(kMergedColour, side);
  QPainter(&merged_swatch).fillRect(merged_swatch.rect(), QBrush(kFrameColour, Qt::Dense6Pattern));
  merged->setPixmap(merged_swatch);
  merged->setAccessibleName("Trama de Pequeños");
  legend->addWidget(merged);
  legend->addWidget(new QLabel("Pequeños", this));
  legend->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addLayout(buttons);
  layout->addWidget(Mapa1, 1);
  layout->addLayout(legend);

  connect(Subir1, &QPushButton::clicked, this, &OccupancyMapPage::Subir1Click);
  connect(GrabarImagen1, &QPushButton::clicked, this, &OccupancyMapPage::GrabarImagen1Click);
  connect(Mapa1, &OccupancyMap::ShownChanged, this, &OccupancyMapPage::ShowFolderCaption);
  connect(Mapa1, &OccupancyMap::OpenFolderAsked, this, &OccupancyMapPage::OpenFolderOf);
  ShowFolderCaption();
}

void OccupancyMapPage::ShowFolderCaption() {
  const SizeTree* sizes = Mapa1->sizes();
  const SizeTree::Index shown = Mapa1->shown();
  Subir1->setEnabled(sizes != nullptr && shown != SizeTree::kNone &&
                     sizes->Parent(shown) != SizeTree::kNone);
  GrabarImagen1->setEnabled(sizes != nullptr);
  Carpeta1->setText(sizes == nullptr
                        ? QString()
                        : ToQt(sizes->PathOf(shown)) + ": " + SizeText(sizes->Size(shown)));
}

void OccupancyMapPage::Subir1Click() { Mapa1->ZoomOut(); }

void OccupancyMapPage::GrabarImagen1Click() {
  if (Mapa1->sizes() == nullptr) return;
  RunGuarded(prompter_, [this] {
    const std::optional<std::string> path = prompter_.SaveFileDialog(
        "Imágenes PNG|*.png|Todos los Ficheros|*.*", ".png", DefaultReportPath("mapa.png"));
    if (!path) return;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // A map with no room to be drawn in yet makes no picture: no empty file.
    if (!Mapa1->Picture().save(&buffer, "PNG"))
      throw Error("No se ha podido dibujar el mapa para grabarlo.");
    // Written whole beside its name and renamed into place, as every output.
    TextWriter writer(*path, TextWriter::Mode::kAtomic);
    writer.Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    writer.Close();
  });
}

void OccupancyMapPage::OpenFolderOf(SizeTree::Index node) {
  const SizeTree* sizes = Mapa1->sizes();
  if (sizes == nullptr || node == SizeTree::kNone) return;
  const SizeTree::Index folder = sizes->IsFolder(node) ? node : sizes->Parent(node);
  opener_(sizes->PathOf(folder));
}

}  // namespace zuruza
