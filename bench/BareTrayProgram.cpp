// The least a Qt tray program does before it can say it has started: the
// application object, one icon in the tray, and a line once its event loop
// runs. The reference the launch bench sets the real program beside.
#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QPixmap picture(22, 22);
    picture.fill(Qt::black);
    QSystemTrayIcon tray{QIcon(picture)};
    tray.show();
    QTimer::singleShot(0, [] {
        std::puts("bare tray started");
        std::fflush(stdout);
    });
    return application.exec();
}
