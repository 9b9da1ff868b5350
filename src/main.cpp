#include <QApplication>
#include <QLocale>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tvHalvane"));
    // The whole user interface is Polish: weekday and month names, decimal separator.
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    return 0;
}
