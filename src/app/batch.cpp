#include "app/batch.h"

#include <QApplication>

#include "app/qt_prompter.h"
#include "app/qt_text.h"
#include "core/text_rules.h"
#include "search/busca_window.h"

namespace zuruza {

QString BatchUsageText(int count) {
  return QString("Parametros detectados: %1\r\n").arg(count) +
         "Forma de uso POR COMANDOS:\r\n"
         "VANTREX /BUSCA directorio str_a_buscar tamaño_min fich_salida\r\n"
         "VANTREX /REPES directorio fich_salida tamaño_minimo\r\n"
         "VANTREX /BACKUP directorio_origen dir_destino fich_informe\r\n"
         "\r\n"
         "AVISO: La ejecución por comandos es SILENCIOSA y tras hacer el trabajo finaliza el "
         "programa.";
}

void RunBatchCommand(QWidget* launcher, const QStringList& parameters, const BatchWindows& windows,
                     bool /*batch_mode*/) {
  const int count = static_cast<int>(parameters.size());
  auto parameter = [&](int number) {
    return number >= 1 && number <= count ? parameters[number - 1] : QString();
  };
  // Only the letters a-z are upper-cased, as everywhere in the program.
  const QString command = ToQt(UpperAscii(FromQt(parameter(1))));

  if (command == "/BUSCA" && count > 1 && windows.busca) {
    Tform_Busca* busca = windows.busca;
    busca->Edit6->setText(parameter(2));
    busca->Edit1->setText(parameter(3));
    busca->tam_min->setText(parameter(4));
    busca->Edit2->setText(parameter(5));
    busca->CheckBox1->setChecked(true);
    busca->Button1Click();
    return;
  }
  QtPrompter(launcher).ShowMessage(FromQt(BatchUsageText(count)));
  QApplication::exit(2);  // the usage text: nothing was done
}

}  // namespace zuruza
