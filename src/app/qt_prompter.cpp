#include "app/qt_prompter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <functional>

#include "app/qt_text.h"
#include "app/window_kit.h"

namespace zuruza {

QString QtFilter(std::string_view filter) {
  QStringList parts = ToQt(filter).split('|');
  QStringList choices;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    // "*.*" means every file; on this system names need no dot.
    QString patterns = QString(parts[i + 1]).replace(';', ' ');
    if (patterns == "*.*") patterns = "*";
    choices << parts[i] + " (" + patterns + ")";
  }
  return choices.join(";;");
}

namespace {

// Message boxes carry the program's name as their title.
const QString kBoxTitle = QStringLiteral("Zuruza");

std::function<void(std::string_view)>& HeadlessHandler() {
  static std::function<void(std::string_view)> handler;
  return handler;
}
}  // namespace

void SetHeadlessPrompts(std::function<void(std::string_view)> handler) {
  HeadlessHandler() = std::move(handler);
}

bool HeadlessPrompts() { return static_cast<bool>(HeadlessHandler()); }

void QtPrompter::ShowMessage(std::string_view text) {
  if (HeadlessPrompts()) return HeadlessHandler()(text);
  QMessageBox::information(parent_, kBoxTitle, ToQt(text));
}

void QtPrompter::ShowError(std::string_view text) {
  if (HeadlessPrompts()) return HeadlessHandler()(text);
  QMessageBox::critical(parent_, kBoxTitle, ToQt(text));
}

std::string QtPrompter::InputBox(std::string_view caption, std::string_view prompt,
                                 std::string_view default_text) {
  if (HeadlessPrompts()) return std::string(default_text);
  QInputDialog dialog(parent_);
  dialog.setWindowTitle(ToQt(caption));
  dialog.setLabelText(ToQt(prompt));
  dialog.setTextValue(ToQt(default_text));
  // Wide enough for the caption in the title bar and for a path typed in.
  dialog.resize(std::max(420, dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()) + 160),
                dialog.sizeHint().height());
  // Cancel gives the default text, exactly as if it had been accepted.
  return dialog.exec() == QDialog::Accepted ? FromQt(dialog.textValue())
                                            : std::string(default_text);
}

bool QtPrompter::AskOkCancel(std::string_view text) {
  if (HeadlessPrompts()) {
    HeadlessHandler()(text);
    return false;
  }
  return QMessageBox::critical(parent_, kBoxTitle, ToQt(text),
                               QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

namespace {

// Where a file dialog opens: the folder of `near`, or `near` itself when it
// is a folder, while it exists; else the person's home, never the program's
// working directory (a relative name counts as none).
QString DialogFolder(std::string_view near) {
  const QFileInfo info(ToQt(near));
  if (near.empty() || info.isRelative()) return QDir::homePath();
  if (info.isDir()) return info.absoluteFilePath();
  if (info.absoluteDir().exists()) return info.absolutePath();
  return QDir::homePath();
}

}  // namespace

std::optional<std::string> QtPrompter::OpenFileDialog(std::string_view filter,
                                                      std::string_view near) {
  if (HeadlessPrompts()) return std::nullopt;
  QString path =
      QFileDialog::getOpenFileName(parent_, QString(), DialogFolder(near), QtFilter(filter));
  if (path.isEmpty()) return std::nullopt;
  return FromQt(path);
}

std::optional<std::string> QtPrompter::SaveFileDialog(std::string_view filter,
                                                      std::string_view default_extension,
                                                      std::string_view near) {
  if (HeadlessPrompts()) return std::nullopt;
  QFileDialog dialog(parent_);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  const QString folder = DialogFolder(near);
  dialog.setDirectory(folder);
  dialog.setNameFilter(QtFilter(filter));
  if (const QFileInfo field(ToQt(near)); !field.isDir() && !field.fileName().isEmpty()) {
    dialog.selectFile(field.fileName());
  }
  QString extension = ToQt(default_extension);
  if (extension.startsWith('.')) extension.remove(0, 1);
  dialog.setDefaultSuffix(extension);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return FromQt(dialog.selectedFiles().first());
}

bool TellSkippedEntries(Prompter& prompter, const SkippedEntries& skipped, bool batch_mode) {
  if (skipped.empty()) return false;
  if (batch_mode) {
    for (const SkippedEntry& entry : skipped.entries()) {
      const std::string line = SkippedEntryLine(entry);
      std::fprintf(stderr, "%s\n", line.c_str());
    }
  } else {
    prompter.ShowMessage(skipped.Summary());
  }
  return true;
}

bool RunGuarded(Prompter& prompter, const std::function<void()>& body) {
  try {
    body();
    return true;
  } catch (const std::exception& error) {
    prompter.ShowError(error.what());
  }
  return false;
}

}  // namespace zuruza
