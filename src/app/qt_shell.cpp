#include "app/qt_shell.h"

#include <QDesktopServices>
#include <QUrl>

#include "app/qt_text.h"

namespace zuruza {

bool OpenWithDefaultApplication(const std::string& path_or_url) {
  QString text = ToQt(path_or_url);
  QUrl url = text.contains("://") ? QUrl(text) : QUrl::fromLocalFile(text);
  return QDesktopServices::openUrl(url);
}

}  // namespace zuruza
