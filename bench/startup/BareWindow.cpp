// The start-up benchmark's baseline: a bare Qt Widgets window of the size given as WIDTHxHEIGHT.
#include <QApplication>
#include <QWidget>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    int width = 573, height = 301;
    if (argc > 1) (void)std::sscanf(argv[1], "%dx%d", &width, &height);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.resize(width, height);
    window.show();
    return application.exec();
}
