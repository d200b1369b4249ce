// orva: the desktop application. Each argument is opened like the Open command.
#include <QApplication>

#include "imageio/file_io.h"
#include "language.h"
#include "main_window.h"

int main(int argc, char** argv) {
    // A write in progress leaves no temporary file behind when a signal ends the program.
    orva::InstallTempFileCleanupOnSignals();
    QApplication app(argc, argv);
    // ORVA_LANG, else the choice saved in the settings file; Japanese without either.
    orva::gui::InstallLanguage(orva::gui::ChooseLanguage(orva::gui::SavedLanguage()));
    // Quitting while a write is unfinished removes its temporary file.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { orva::RemoveTempFiles(); });
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) files.emplace_back(argv[i]);
    orva::gui::MainWindow window(files);
    window.show();
    return QApplication::exec();
}
