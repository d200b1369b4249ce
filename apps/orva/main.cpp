// orva: the desktop application. Each argument is opened like the Open command.
#include <QApplication>

#include "main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) files.emplace_back(argv[i]);
    orva::gui::MainWindow window(files);
    window.show();
    return QApplication::exec();
}
