// plondex: the window program for a player mounted on this computer.

#include <QApplication>
#include <memory>

#include "app/gui/main_window.h"
#include "platform/linux_drives.h"
#include "platform/program_folder.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  plondex::TForm1 form(std::make_shared<plondex::LinuxDriveTable>(),
                       plondex::ChooseProgramFolder(plondex::ExecutableFolder()));
  form.show();
  return app.exec();
}
