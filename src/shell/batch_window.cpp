#include "shell/batch_window.h"

#include <QApplication>

#include "analysis/repes_window.h"
#include "app/qt_prompter.h"
#include "app/qt_text.h"
#include "core/text_rules.h"
#include "navigation/backup_window.h"
#include "search/busca_window.h"
#include "shell/batch_job.h"

namespace zuruza {

QString BatchUsageText(int count) { return ToQt(BatchUsage(count)); }

void RunBatchCommand(QWidget* launcher, const QStringList& parameters, const ToolWindows& windows) {
  const int count = static_cast<int>(parameters.size());
  auto parameter = [&](int number) {
    return number >= 1 && number <= count ? parameters[number - 1] : QString();
  };
  // Only the letters a-z are upper-cased, as everywhere in the program.
  const QString command = ToQt(UpperAscii(FromQt(parameter(1))));

  if (command == "/BUSCA" && count > 1 && windows.form_Busca) {
    Tform_Busca* busca = windows.form_Busca;
    busca->Edit6->setText(parameter(2));
    busca->Edit1->setText(parameter(3));
    busca->tam_min->setText(parameter(4));
    busca->Edit2->setText(parameter(5));
    busca->CheckBox1->setChecked(true);
    busca->Button1Click();
    return;
  }
  if (command == "/REPES" && count > 1 && windows.Form_repes) {
    TForm_repes* repes = windows.Form_repes;
    repes->Edit1->setText(parameter(2));
    repes->Edit2->setText(parameter(3));
    repes->Edit3->setText(parameter(4));
    repes->CheckBox2->setChecked(true);
    repes->CheckBox1->setChecked(true);
    repes->CheckBox3->setChecked(true);
    repes->Button1Click();
    return;
  }
  if (command == "/BACKUP" && count == 4 && windows.F_backup) {
    TF_backup* backup = windows.F_backup;
    backup->Edit1->setText(parameter(2));
    backup->Edit2->setText(parameter(3));
    backup->Label8->setText(parameter(4));
    ShowToolWindow(backup);
    backup->Button2Click();
    QApplication::processEvents();
    backup->Button4Click();
    return;
  }
  QtPrompter(launcher).ShowMessage(BatchUsage(count));
  QApplication::exit(kExitUsage);  // nothing was done
}

}  // namespace zuruza
