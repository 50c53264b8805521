#include "platform/x11/WorkspaceFreedesktop.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
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

// A bus of our own, so that no desktop's file manager answers.
class PrivateBus {
public:
    PrivateBus() {
        QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
        config.open(QIODevice::WriteOnly);
        config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                     "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">"
                     "<busconfig><type>session</type><listen>unix:path=" +
                     m_dir.filePath(QStringLiteral("bus")).toUtf8() +
                     "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                     "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                     "<allow own=\"*\"/></policy></busconfig>");
        config.close();
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config.fileName(),
                        QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (m_daemon.waitForReadyRead(5000))
            address = QString::fromUtf8(m_daemon.readLine().trimmed());
    }

    ~PrivateBus() {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    QString address;

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
};

class FileManagerFake {
public:
    FileManagerFake(const QString& address, const QString& mode) {
        m_process.start(QStringLiteral(QUILLBOX_FILE_MANAGER_FAKE), {address, mode});
        waitFor("ready");
    }
    ~FileManagerFake() {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool waitFor(const QByteArray& line) {
        return QTest::qWaitFor(
            [&] {
                m_output += m_process.readAll();
                return m_output.contains(line);
            },
            10000);
    }
    QByteArray output() const { return m_output; }

private:
    QProcess m_process;
    QByteArray m_output;
};

const QString capture = QStringLiteral("/home/someone/shots/Quillbox 2025-03-03 at 09.05.07.png");
const QUrl folder = QUrl::fromLocalFile(QStringLiteral("/home/someone/shots"));

} // namespace

TEST(WorkspaceFreedesktop, reveal_asksTheFileManagerAndOpensTheFolderWithoutABusOrAnAnswer) {
    FileUrlRecorder recorder;
    WorkspaceFreedesktop(QStringLiteral("unix:path=/nonexistent/quillbox-bus")).reveal(capture);
    EXPECT_EQ(recorder.opened, QList<QUrl>{folder});
    recorder.opened.clear();
    PrivateBus bus;
    ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
    WorkspaceFreedesktop workspace(bus.address);
    workspace.reveal(capture); // no file manager on the bus
    QTRY_COMPARE_WITH_TIMEOUT(recorder.opened.size(), 1, 5000);
    {
        FileManagerFake fileManager(bus.address, QStringLiteral("answer"));
        workspace.reveal(capture);
        ASSERT_TRUE(fileManager.waitFor("answered")) << fileManager.output().constData();
        const QByteArray call =
            QByteArray("ShowItems ") + QUrl::fromLocalFile(capture).toEncoded() + " startup=''";
        EXPECT_TRUE(fileManager.output().contains(call)) << fileManager.output().constData();
        QTest::qWait(300);
        EXPECT_EQ(recorder.opened.size(), 1);
    }
    FileManagerFake refusing(bus.address, QStringLiteral("refuse"));
    workspace.reveal(capture);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.opened.size(), 2, 5000);
    EXPECT_EQ(recorder.opened, (QList<QUrl>{folder, folder}));
}

// A file manager that the bus is still starting answers late: the program neither waits
// for it nor opens the folder as well.
TEST(WorkspaceFreedesktop, reveal_slowFileManager_neitherBlocksNorGetsASecondWindow) {
    FileUrlRecorder recorder;
    PrivateBus bus;
    ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
    FileManagerFake fileManager(bus.address, QStringLiteral("slow"));
    WorkspaceFreedesktop workspace(bus.address);
    QElapsedTimer timer;
    timer.start();
    workspace.reveal(capture);
    EXPECT_LT(timer.elapsed(), 2000) << "reveal waited for the file manager";
    ASSERT_TRUE(fileManager.waitFor("answered"));
    QTest::qWait(300);
    EXPECT_TRUE(recorder.opened.isEmpty());
}

#include "WorkspaceFreedesktopTest.moc"
