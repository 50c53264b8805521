// A window of text for the capture benchmark's screen: a plain-text view of a file.
//   bench_text_window FILE X Y WIDTH HEIGHT
#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 5)
        return 2;
    QFile file(args[0]);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    QPlainTextEdit view;
    view.setWindowTitle(QStringLiteral("text"));
    view.setReadOnly(true);
    view.setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(13);
    view.setFont(font);
    view.setPlainText(QString::fromUtf8(file.readAll()));
    view.setGeometry(args[1].toInt(), args[2].toInt(), args[3].toInt(), args[4].toInt());
    view.show();
    return app.exec();
}
