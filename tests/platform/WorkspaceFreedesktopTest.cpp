#include "platform/x11/WorkspaceFreedesktop.h"
#include "LibraryFixture.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// Stands in for the desktop's opener: records every file URL instead of starting a program.
class FileUrlRecorder : public QObject {
    Q_OBJECT
public:
    FileUrlRecorder() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~FileUrlRecorder() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

// A helper process, ended with the test, whose output is read as it comes.
class Child {
public:
    Child(const QString& program, const QStringList& arguments, const QByteArray& ready) {
        m_process.start(program, arguments);
        waitFor(ready);
    }
    ~Child() {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool waitFor(const QByteArray& text) {
        return QTest::qWaitFor(
            [&] {
                m_output += m_process.readAll();
                return m_output.contains(text);
            },
            10000);
    }
    QByteArray output() const { return m_output; }

private:
    QProcess m_process;
    QByteArray m_output;
};

// The configuration of a bus listening in `dir`, written there.
QString busConfig(const QTemporaryDir& dir) {
    const QString config = dir.filePath(QStringLiteral("bus.conf"));
    LibraryFixture::writeFile(
        config, "<busconfig><type>session</type><listen>unix:path=" +
                    dir.filePath(QStringLiteral("bus")).toUtf8() +
                    "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                    "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                    "<allow own=\"*\"/></policy></busconfig>");
    return config;
}

// A bus of our own, so that no desktop's file manager answers.
struct PrivateBus {
    QTemporaryDir dir;
    Child daemon{QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--config-file=") + busConfig(dir), QStringLiteral("--nofork"),
                  QStringLiteral("--print-address")},
                 "\n"};
    QString address = QString::fromUtf8(daemon.output().trimmed());
};

// A file manager on the bus: MODE "answer", "refuse" or "slow".
Child fileManager(const PrivateBus& bus, const char* mode) {
    return Child(QStringLiteral(QUILLBOX_FILE_MANAGER_FAKE),
                 {bus.address, QString::fromLatin1(mode)}, "ready");
}

const QString capture = QStringLiteral("/home/someone/shots/Quillbox 2025-03-03 at 09.05.07.png");
const QUrl folder = QUrl::fromLocalFile(QStringLiteral("/home/someone/shots"));

} // namespace

// The folder is opened when there is no bus or no answer; never as well as an answer, even
// one from a file manager that the bus is still starting, which is not waited for.
TEST(WorkspaceFreedesktop, reveal_asksTheFileManager_opensTheFolderOnlyWithoutAnAnswer) {
    FileUrlRecorder recorder;
    WorkspaceFreedesktop(QStringLiteral("unix:path=/nonexistent/quillbox-bus")).reveal(capture);
    EXPECT_EQ(recorder.opened, QList<QUrl>{folder});
    PrivateBus bus;
    ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
    WorkspaceFreedesktop workspace(bus.address);
    workspace.reveal(capture); // no file manager on the bus
    QTRY_COMPARE_WITH_TIMEOUT(recorder.opened.size(), 2, 5000);
    {
        Child answering = fileManager(bus, "answer");
        workspace.reveal(capture);
        ASSERT_TRUE(answering.waitFor("answered")) << answering.output().constData();
        const QByteArray call =
            QByteArray("ShowItems ") + QUrl::fromLocalFile(capture).toEncoded() + " startup=''";
        EXPECT_TRUE(answering.output().contains(call)) << answering.output().constData();
        QTest::qWait(300);
        EXPECT_EQ(recorder.opened.size(), 2);
    }
    {
        const Child refusing = fileManager(bus, "refuse");
        workspace.reveal(capture);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.opened.size(), 3, 5000);
        EXPECT_EQ(recorder.opened, (QList<QUrl>{folder, folder, folder}));
    }
    Child slow = fileManager(bus, "slow");
    QElapsedTimer timer;
    timer.start();
    workspace.reveal(capture);
    EXPECT_LT(timer.elapsed(), 2000) << "reveal waited for the file manager";
    ASSERT_TRUE(slow.waitFor("answered"));
    QTest::qWait(300);
    EXPECT_EQ(recorder.opened.size(), 3);
}

#include "WorkspaceFreedesktopTest.moc"
