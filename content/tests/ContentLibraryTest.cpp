// Loading the content library by name: search order, reference counting,
// and lookups while nothing is loaded.
#include "CContentResource.h"
#include "ContentModule.h"
#include "ResFile.h"
#include "StrList.h"
#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class ContentLibraryTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString BuildModule(const QString& subdir, const QByteArray& listBytes)
    {
        QDir(m_dir.path()).mkpath(subdir);
        QString dll, log;
        std::vector<ResEntry> entries{{QString("STR#"), 200, listBytes}};
        if (!LinkModule(entries, m_dir.path() + "/" + subdir, true, &dll, &log))
            return {};
        QString target = m_dir.path() + "/" + subdir + "/OvantisRes.dll";
        QFile::rename(dll, target);
        return target;
    }

private slots:
    void searchPathAndReferences()
    {
        QVERIFY(!BuildModule("second", QByteArray("\x01\x00\x06second", 9)).isEmpty());
        QVERIFY(!BuildModule("third", QByteArray("\x01\x00\x05third", 8)).isEmpty());
        QDir(m_dir.path()).mkpath("first"); // holds no module
        qputenv("OVANTIS_RESOURCE_PATH",
                (m_dir.path() + "/first::" + m_dir.path() + "/second:" + m_dir.path() + "/third").toLocal8Bit());
        QCOMPARE(QString::fromStdString(ContentLibrary::FindFile()), m_dir.path() + "/second/OvantisRes.dll");

        QVERIFY(ContentLibrary::Load());
        QVERIFY(ContentLibrary::Load());
        StrList list;
        QVERIFY(list.Load(200));
        QCOMPARE(list.Entries().at(0), std::string("second"));

        // Still loaded after one release; the bytes a holder has stay valid.
        CContentResource held;
        QVERIFY(held.Load(200, "STR#"));
        const uint8_t* bytes = held.Lock();
        ContentLibrary::Release();
        QVERIFY(ContentLibrary::Get());
        ContentLibrary::Release();
        QVERIFY(!ContentLibrary::Get());
        QCOMPARE(bytes[3], uint8_t('s'));
        // Nothing is loaded now: lookups find nothing.
        CContentResource r;
        QVERIFY(!r.Load(200, "STR#"));
        QVERIFY(!StrList().Load(200));
        ContentLibrary::Release(); // an extra release is harmless
        qunsetenv("OVANTIS_RESOURCE_PATH");
    }

    void notAModule()
    {
        QDir(m_dir.path()).mkpath("bad");
        QFile f(m_dir.path() + "/bad/OvantisRes.dll");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not a module");
        f.close();
        qputenv("OVANTIS_RESOURCE_PATH", (m_dir.path() + "/bad").toLocal8Bit());
        QVERIFY(!ContentLibrary::Load());
        QVERIFY(!ContentLibrary::Get());
        std::string error;
        QVERIFY(!ContentModule::FromFile((m_dir.path() + "/bad/OvantisRes.dll").toStdString(), &error));
        QVERIFY(error.find("not a PE module") != std::string::npos);
        // An endless device is refused, not read for ever.
        QVERIFY(!ContentModule::FromFile("/dev/zero", &error));
        QVERIFY(error.find("not a content module") != std::string::npos);
        qunsetenv("OVANTIS_RESOURCE_PATH");
    }
};

QTEST_GUILESS_MAIN(ContentLibraryTest)
#include "ContentLibraryTest.moc"
