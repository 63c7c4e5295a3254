#include "app/linux/file_registry_store.h"
#include "app/linux/regedit_text.h"
#include "app/registry_helper.h"
#include "app/remembered_choices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kvt;

namespace {

const QString kLoginKey = QStringLiteral("Software\\vidizirevoror");
const QString kLastKey = QStringLiteral("SOFTWARE\\vidizirevoror");

// The real file store with every call written down, to see the order of reads and writes,
// which the file alone does not show.
class RecordingStore final : public RegistryStore {
public:
    explicit RecordingStore(RegistryStore& inner) : m_inner(inner) {}
    QStringList calls;

    bool keyExists(RegistryRoot root, const QString& key) override {
        note(QStringLiteral("keyExists"), root, key);
        return m_inner.keyExists(root, key);
    }
    RegistryStatus createKey(RegistryRoot root, const QString& key) override {
        note(QStringLiteral("createKey"), root, key);
        return m_inner.createKey(root, key);
    }
    bool valueExists(RegistryRoot root, const QString& key, const QString& name) override {
        note(QStringLiteral("valueExists"), root, key, name);
        return m_inner.valueExists(root, key, name);
    }
    RegistryRead<QString> readString(RegistryRoot root, const QString& key,
                                     const QString& name) override {
        note(QStringLiteral("readString"), root, key, name);
        return m_inner.readString(root, key, name);
    }
    RegistryRead<quint32> readDword(RegistryRoot root, const QString& key,
                                    const QString& name) override {
        note(QStringLiteral("readDword"), root, key, name);
        return m_inner.readDword(root, key, name);
    }
    RegistryStatus writeString(RegistryRoot root, const QString& key, const QString& name,
                               const QString& text) override {
        note(QStringLiteral("writeString"), root, key, name + QLatin1Char('=') + text);
        return m_inner.writeString(root, key, name, text);
    }
    RegistryStatus writeDword(RegistryRoot root, const QString& key, const QString& name,
                              quint32 value) override {
        note(QStringLiteral("writeDword"), root, key,
             name + QLatin1Char('=') + QString::number(value));
        return m_inner.writeDword(root, key, name, value);
    }

private:
    void note(const QString& call, RegistryRoot root, const QString& key,
              const QString& detail = QString()) {
        QString line = call + QLatin1Char(' ') +
                       (root == RegistryRoot::CurrentUser ? QStringLiteral("HKCU\\")
                                                          : QStringLiteral("HKLM\\")) +
                       key;
        if (!detail.isNull())
            line += QLatin1Char(' ') + detail;
        calls.append(line);
    }
    RegistryStore& m_inner;
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

int fileMode(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

// The lines of one section of a written file, without the section header.
QStringList sectionLines(const QByteArray& fileText, const QString& section) {
    const QStringList lines = QString::fromUtf8(fileText).split(QLatin1Char('\n'));
    const qsizetype header = lines.indexOf(QLatin1Char('[') + section + QLatin1Char(']'));
    if (header < 0)
        return {QStringLiteral("<no section>")};
    QStringList result;
    for (qsizetype i = header + 1; i < lines.size() && !lines.at(i).isEmpty(); ++i)
        result.append(lines.at(i));
    return result;
}

QStringList entriesWithPrefix(const QString& dir, const QString& prefix) {
    QStringList found;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
        if (name.startsWith(prefix))
            found.append(name);
    return found;
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString hkcuDir() const { return m_dir->filePath(QStringLiteral("user")); }
    QString hklmDir() const { return m_dir->filePath(QStringLiteral("machine")); }
    QString hkcuFile() const { return hkcuDir() + QStringLiteral("/hkcu.reg"); }
    QString hklmFile() const { return hklmDir() + QStringLiteral("/hklm.reg"); }
    FileRegistryStore freshStore() const { return FileRegistryStore(hkcuDir(), hklmDir()); }

private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // --- the typed store ---

    void stringsSurviveRestart_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("literalInFile");
        const QString value = QStringLiteral("value");
        QTest::newRow("chinese") << value << QStringLiteral("张三用户") << true;
        QTest::newRow("quotes") << value << QStringLiteral("say \"hi\" \"") << false;
        QTest::newRow("backslashes") << value << QStringLiteral("C:\\new\\x41\\\\") << false;
        QTest::newRow("line breaks") << value << QStringLiteral("a\nb\r\nc\r") << false;
        QTest::newRow("controls") << value << QStringLiteral("t\tb\x01\x1f\x7f") << false;
        QTest::newRow("looks like a file")
            << value << QStringLiteral("\"]\n[x]\n\"v\"=dword:00000001") << false;
        QTest::newRow("empty") << value << QString() << false;
        QTest::newRow("spaces kept") << value << QStringLiteral("  pad  ") << true;
        QString longText;
        for (int i = 0; i < 1000; ++i)
            longText.append(i % 3 ? QChar(u'a' + i % 26) : QChar(u'中'));
        QTest::newRow("1000 characters") << value << longText << true;
        QTest::newRow("odd value name")
            << QStringLiteral("n\"a\\m=e 名\n") << QStringLiteral("x") << false;
        QTest::newRow("default value") << QString() << QStringLiteral("dflt") << true;
    }
    void stringsSurviveRestart() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(bool, literalInFile);
        {
            FileRegistryStore first = freshStore();
            QCOMPARE(first.createKey(RegistryRoot::CurrentUser, kLoginKey), RegistryStatus::Ok);
            QCOMPARE(first.writeString(RegistryRoot::CurrentUser, kLoginKey, name, text),
                     RegistryStatus::Ok);
        }
        FileRegistryStore second = freshStore();
        const RegistryRead<QString> read =
            second.readString(RegistryRoot::CurrentUser, kLoginKey, name);
        QCOMPARE(read.status, RegistryStatus::Ok);
        QCOMPARE(read.value, text);
        if (literalInFile) // stored as UTF-8, readable in the file
            QVERIFY(readAll(hkcuFile()).contains(text.toUtf8()));
    }

    void dwordsSurviveRestart_data() {
        QTest::addColumn<quint32>("value");
        QTest::addColumn<QString>("line");
        QTest::newRow("0") << 0u << QStringLiteral("\"v\"=dword:00000000");
        QTest::newRow("1") << 1u << QStringLiteral("\"v\"=dword:00000001");
        QTest::newRow("2") << 2u << QStringLiteral("\"v\"=dword:00000002");
        QTest::newRow("high bit") << 0x80000000u << QStringLiteral("\"v\"=dword:80000000");
        QTest::newRow("max") << 0xFFFFFFFFu << QStringLiteral("\"v\"=dword:ffffffff");
    }
    void dwordsSurviveRestart() {
        QFETCH(quint32, value);
        QFETCH(QString, line);
        {
            FileRegistryStore first = freshStore();
            QCOMPARE(first.createKey(RegistryRoot::LocalMachine, kLastKey), RegistryStatus::Ok);
            QCOMPARE(
                first.writeDword(RegistryRoot::LocalMachine, kLastKey, QStringLiteral("v"), value),
                RegistryStatus::Ok);
        }
        FileRegistryStore second = freshStore();
        const RegistryRead<quint32> read =
            second.readDword(RegistryRoot::LocalMachine, kLastKey, QStringLiteral("v"));
        QCOMPARE(read.status, RegistryStatus::Ok);
        QCOMPARE(read.value, value);
        QCOMPARE(sectionLines(readAll(hklmFile()), kLastKey), QStringList{line});
        QVERIFY(!QFileInfo::exists(hkcuFile())); // the roots are separate files
    }

    void writtenFileIsRegedit4() {
        FileRegistryStore store = freshStore();
        QCOMPARE(store.createKey(RegistryRoot::CurrentUser, kLoginKey), RegistryStatus::Ok);
        QCOMPARE(store.writeDword(RegistryRoot::CurrentUser, kLoginKey,
                                  QStringLiteral("savepassword"), 1),
                 RegistryStatus::Ok);
        QCOMPARE(store.writeString(RegistryRoot::CurrentUser, kLoginKey, QStringLiteral("username"),
                                   QStringLiteral("a\"b\\c")),
                 RegistryStatus::Ok);
        QCOMPARE(QString::fromUtf8(readAll(hkcuFile())),
                 QStringLiteral("REGEDIT4\n\n[Software\\vidizirevoror]\n"
                                "\"savepassword\"=dword:00000001\n"
                                "\"username\"=\"a\\\"b\\\\c\"\n\n"));
    }

    void keysAndNamesIgnoreCase() {
        FileRegistryStore store = freshStore();
        const auto root = RegistryRoot::CurrentUser;
        QCOMPARE(store.createKey(root, QStringLiteral("Software\\Vidizirevoror")),
                 RegistryStatus::Ok);
        QCOMPARE(store.createKey(root, QStringLiteral("SOFTWARE\\VIDIZIREVOROR")),
                 RegistryStatus::Ok);
        QCOMPARE(store.writeDword(root, QStringLiteral("software\\vidizirevoror"),
                                  QStringLiteral("SavePassword"), 1),
                 RegistryStatus::Ok);
        QCOMPARE(store.writeDword(root, kLoginKey, QStringLiteral("SAVEPASSWORD"), 0),
                 RegistryStatus::Ok);

        FileRegistryStore other = freshStore();
        const RegistryRead<quint32> read = other.readDword(
            root, QStringLiteral("SOFTWARE\\vidizirevoror\\"), QStringLiteral("savepassword"));
        QCOMPARE(read.status, RegistryStatus::Ok);
        QCOMPARE(read.value, 0u);
        QVERIFY(other.keyExists(root, QStringLiteral("software"))); // parents exist
        QVERIFY(!other.keyExists(root, QStringLiteral("soft")));
        // One key, one value, each keeping its first spelling.
        QCOMPARE(sectionLines(readAll(hkcuFile()), QStringLiteral("Software\\Vidizirevoror")),
                 QStringList{QStringLiteral("\"SavePassword\"=dword:00000000")});
        QCOMPARE(QString::fromUtf8(readAll(hkcuFile())).count(QLatin1Char('[')), 1);
    }

    void invalidPathsAreRefused_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("empty") << QString();
        QTest::newRow("only a backslash") << QStringLiteral("\\");
        QTest::newRow("leading backslash") << QStringLiteral("\\Software");
        QTest::newRow("empty component") << QStringLiteral("Software\\\\x");
        QTest::newRow("line break") << QStringLiteral("Soft\nware");
        QTest::newRow("component over 255") << QString(256, QLatin1Char('k'));
    }
    void invalidPathsAreRefused() {
        QFETCH(QString, path);
        FileRegistryStore store = freshStore();
        QCOMPARE(store.createKey(RegistryRoot::CurrentUser, path), RegistryStatus::InvalidPath);
        QCOMPARE(store.readString(RegistryRoot::CurrentUser, path, QStringLiteral("v")).status,
                 RegistryStatus::InvalidPath);
        QVERIFY(!QFileInfo::exists(hkcuFile()));
    }

    void wrongTypeReadsFail() {
        FileRegistryStore store = freshStore();
        const auto root = RegistryRoot::CurrentUser;
        QCOMPARE(store.createKey(root, kLoginKey), RegistryStatus::Ok);
        QCOMPARE(store.writeString(root, kLoginKey, QStringLiteral("text"), QStringLiteral("1")),
                 RegistryStatus::Ok);
        QCOMPARE(store.writeDword(root, kLoginKey, QStringLiteral("number"), 1),
                 RegistryStatus::Ok);
        QCOMPARE(store.readDword(root, kLoginKey, QStringLiteral("text")).status,
                 RegistryStatus::WrongType);
        QCOMPARE(store.readString(root, kLoginKey, QStringLiteral("number")).status,
                 RegistryStatus::WrongType);

        // The helper fails too: a Boolean stored as the string "1" is not true, it is an error.
        strings4 helper(store);
        QVERIFY(helper.openKey(kLoginKey, false));
        helper.selectValue(QStringLiteral("text"));
        QCOMPARE(helper.readBool(), std::nullopt);
        helper.selectValue(QStringLiteral("number"));
        QCOMPARE(helper.readString(), std::nullopt);
        QCOMPARE(helper.readBool(), std::optional<bool>(true));

        // Writing the other type replaces the value, as the registry does.
        helper.selectValue(QStringLiteral("text"));
        QVERIFY(helper.writeBool(true));
        QCOMPARE(helper.readBool(), std::optional<bool>(true));
        QCOMPARE(helper.readString(), std::nullopt);
    }

    // --- the helper ---

    void helperMissingValuesReadAsDefaults() {
        FileRegistryStore store = freshStore();
        strings4 helper(store);
        helper.selectValue(QStringLiteral("savepassword"));
        // No key open: reads and writes fail.
        QCOMPARE(helper.readBool(), std::nullopt);
        QCOMPARE(helper.readString(), std::nullopt);
        QVERIFY(!helper.writeString(QStringLiteral("x")));

        QVERIFY(!helper.openKey(kLoginKey, false)); // missing, not created
        QVERIFY(!helper.hasOpenKey());
        QVERIFY(!QFileInfo::exists(hkcuFile()));
        QVERIFY(helper.openKey(kLoginKey, true));
        QVERIFY(QFileInfo::exists(hkcuFile())); // the created key is stored at once

        QCOMPARE(helper.readBool(), std::optional<bool>(false));
        QVERIFY(!helper.valueExists());
        helper.selectValue(QStringLiteral("username"));
        QCOMPARE(helper.readString(), std::optional<QString>(QString()));
        helper.selectValue(QString()); // the key's default value
        QCOMPARE(helper.readString(), std::optional<QString>(QString()));
        QVERIFY(helper.writeString(QStringLiteral("d")));
        QCOMPARE(helper.readString(), std::optional<QString>(QStringLiteral("d")));
        QVERIFY(readAll(hkcuFile()).contains("@=\"d\"\n"));

        helper.closeKey();
        QCOMPARE(helper.readString(), std::nullopt);
    }

    void helperOpenKeyDropsOneLeadingBackslash() {
        FileRegistryStore store = freshStore();
        strings4 helper(store);
        helper.selectRoot(RegistryRoot::LocalMachine);
        QVERIFY(helper.openKey(QStringLiteral("\\SYSTEM\\CurrentControlSet\\Services\\RasMan\\"
                                              "Parameters\\"),
                               true));
        QVERIFY(store.keyExists(RegistryRoot::LocalMachine,
                                QStringLiteral("system\\currentcontrolset\\services\\rasman\\"
                                               "parameters")));
        QVERIFY(!store.keyExists(RegistryRoot::CurrentUser, QStringLiteral("SYSTEM")));
        QVERIFY(!helper.openKey(QStringLiteral("\\\\SYSTEM"), true));
        QVERIFY(!helper.hasOpenKey()); // a failed open leaves no key open
        QVERIFY(helper.openKey(QStringLiteral("\\SYSTEM"), false));
        QCOMPARE(helper.openKeyPath(), QStringLiteral("SYSTEM"));
    }

    // --- the files ---

    void filesAreOwnerOnly() {
        const mode_t saved = ::umask(0); // the mode must not depend on the umask
        FileRegistryStore store = freshStore();
        const bool created =
            store.createKey(RegistryRoot::CurrentUser, kLoginKey) == RegistryStatus::Ok;
        const int createdMode = fileMode(hkcuFile());
        const int dirMode = fileMode(hkcuDir());
        const bool written =
            store.writeString(RegistryRoot::CurrentUser, kLoginKey, QStringLiteral("password"),
                              QStringLiteral("secret")) == RegistryStatus::Ok;
        const int rewrittenMode = fileMode(hkcuFile());
        ::chmod(QFile::encodeName(hkcuFile()).constData(), 0644); // an older, looser file
        const bool tightened =
            store.writeString(RegistryRoot::CurrentUser, kLoginKey, QStringLiteral("password"),
                              QStringLiteral("other")) == RegistryStatus::Ok;
        const int tightenedMode = fileMode(hkcuFile());
        ::umask(saved);

        QVERIFY(created && written && tightened);
        QCOMPARE(createdMode, 0600);
        QCOMPARE(dirMode, 0700);
        QCOMPARE(rewrittenMode, 0600);
        QCOMPARE(tightenedMode, 0600);
    }

    void failedWriteLeavesOldFile() {
        FileRegistryStore store = freshStore();
        QCOMPARE(store.createKey(RegistryRoot::CurrentUser, kLoginKey), RegistryStatus::Ok);
        QCOMPARE(store.writeString(RegistryRoot::CurrentUser, kLoginKey, QStringLiteral("username"),
                                   QStringLiteral("old")),
                 RegistryStatus::Ok);
        const QByteArray before = readAll(hkcuFile());

        // The disk "fills" in the middle of writing the new text: the file size limit stops
        // the write part way, as a full disk would.
        struct rlimit saved {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = saved;
        limited.rlim_cur = rlim_t(before.size() + 10);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        const RegistryStatus status =
            store.writeString(RegistryRoot::CurrentUser, kLoginKey, QStringLiteral("username"),
                              QString(10000, QLatin1Char('n')));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(status, RegistryStatus::WriteFailed);
        QCOMPARE(readAll(hkcuFile()), before);
        QCOMPARE(entriesWithPrefix(hkcuDir(), QString()), QStringList{"hkcu.reg"}); // no debris
        QCOMPARE(freshStore()
                     .readString(RegistryRoot::CurrentUser, kLoginKey, QStringLiteral("username"))
                     .value,
                 QStringLiteral("old"));
    }

    void readOnlyDirectoryLeavesOldFile() {
        if (::geteuid() == 0)
            QSKIP("root writes into a read-only directory; failedWriteLeavesOldFile covers a "
                  "failing write for root");
        FileRegistryStore store = freshStore();
        QCOMPARE(store.createKey(RegistryRoot::CurrentUser, kLoginKey), RegistryStatus::Ok);
        const QByteArray before = readAll(hkcuFile());
        ::chmod(QFile::encodeName(hkcuDir()).constData(), 0500);
        const RegistryStatus status = store.writeString(RegistryRoot::CurrentUser, kLoginKey,
                                                        QStringLiteral("v"), QStringLiteral("x"));
        ::chmod(QFile::encodeName(hkcuDir()).constData(), 0700);
        QCOMPARE(status, RegistryStatus::WriteFailed);
        QCOMPARE(readAll(hkcuFile()), before);
    }

    void damagedFileIsKeptAsideAndReadsAsDefaults_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = "REGEDIT4\n\n[Software\\vidizirevoror]\n"
                                "\"savepassword\"=dword:00000001\n\"username\"=\"alice\"\n";
        QTest::newRow("cut inside a string") << good.left(good.size() - 4);
        QTest::newRow("cut inside a dword") << good.left(good.indexOf("0001\n"));
        QTest::newRow("cut inside a section") << good.left(20);
        QTest::newRow("cut inside the header") << QByteArray("REGED");
        QTest::newRow("empty file") << QByteArray();
        QByteArray binary;
        for (int i = 0; i < 512; ++i)
            binary.append(char((i * 73 + 11) & 0xFF));
        QTest::newRow("binary") << binary;
        QTest::newRow("binary after header") << QByteArray("REGEDIT4\n") + binary;
        QTest::newRow("garbage text") << QByteArray("hello world\n[x]\n");
        QTest::newRow("not UTF-8") << QByteArray("REGEDIT4\n[a]\n\"v\"=\"\xff\xfe\"\n");
        QTest::newRow("NUL byte") << QByteArray("REGEDIT4\n[a]\n\"v\"=\"a\0b\"\n", 24);
        QTest::newRow("value before section") << QByteArray("REGEDIT4\n\"v\"=\"x\"\n");
        QTest::newRow("unknown type") << QByteArray("REGEDIT4\n[a]\n\"v\"=hex:01,02\n");
        QTest::newRow("over the size limit")
            << QByteArray("REGEDIT4\n;") + QByteArray(kMaxRegeditTextSize, 'x') + "\n";
    }
    void damagedFileIsKeptAsideAndReadsAsDefaults() {
        QFETCH(QByteArray, bytes);
        QVERIFY(writeFile(hkcuFile(), bytes));
        FileRegistryStore store = freshStore();

        // Reading has no side effect and sees defaults.
        QCOMPARE(
            store.readDword(RegistryRoot::CurrentUser, kLoginKey, QStringLiteral("savepassword"))
                .status,
            RegistryStatus::KeyNotFound);
        QCOMPARE(readAll(hkcuFile()), bytes);

        // The login window's reading creates the key: the damaged file goes aside first.
        const LoginChoices choices = readLoginChoices(store);
        QVERIFY(choices.complete);
        QCOMPARE(choices.savePassword, std::optional<bool>(false));
        QCOMPARE(choices.userName, std::nullopt);
        const QStringList aside = entriesWithPrefix(hkcuDir(), QStringLiteral("hkcu.reg.corrupt-"));
        QCOMPARE(aside.size(), 1);
        QCOMPARE(readAll(hkcuDir() + QLatin1Char('/') + aside.first()), bytes);
        QVERIFY(parseRegeditText(readAll(hkcuFile())).has_value());
        QVERIFY(store.keyExists(RegistryRoot::CurrentUser, kLoginKey));

        // A second damage in the same second keeps both copies.
        QVERIFY(writeFile(hkcuFile(), bytes));
        QVERIFY(writeLoginChoices({}, store));
        QCOMPARE(entriesWithPrefix(hkcuDir(), QStringLiteral("hkcu.reg.corrupt-")).size(), 2);
    }

    void unreadableFileIsNeverReplaced() {
        // A directory where the file should be: it cannot be read, and is not "damaged".
        QVERIFY(QDir().mkpath(hkcuFile()));
        FileRegistryStore store = freshStore();
        QCOMPARE(store.readString(RegistryRoot::CurrentUser, kLoginKey, QStringLiteral("v")).status,
                 RegistryStatus::AccessDenied);
        QCOMPARE(store.createKey(RegistryRoot::CurrentUser, kLoginKey),
                 RegistryStatus::AccessDenied);
        QVERIFY(QFileInfo(hkcuFile()).isDir());
        QVERIFY(entriesWithPrefix(hkcuDir(), QStringLiteral("hkcu.reg.")).isEmpty());
        const LoginChoices choices = readLoginChoices(store);
        QVERIFY(!choices.complete);
        QCOMPARE(choices.savePassword, std::nullopt);
    }

    void rootDirectoriesFollowOverrides() {
        const QByteArray savedUser = qgetenv("KVT_HKCU_DIR");
        const QByteArray savedMachine = qgetenv("KVT_HKLM_DIR");
        const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
        qunsetenv("KVT_HKCU_DIR");
        qunsetenv("KVT_HKLM_DIR");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->filePath(QStringLiteral("xdg"))));
        const QString defaultUser = registryRootDirectory(RegistryRoot::CurrentUser);
        const QString defaultMachine = registryRootDirectory(RegistryRoot::LocalMachine);

        qputenv("KVT_HKCU_DIR", QFile::encodeName(hkcuDir()));
        qputenv("KVT_HKLM_DIR", QFile::encodeName(hklmDir()));
        const QString envUser = registryRootDirectory(RegistryRoot::CurrentUser);
        const bool wroteThroughDefault = writeLastChoice(1, 2); // the process-wide store
        setRegistryRootDirectories(QStringLiteral("/set/user"), QStringLiteral("/set/machine"));
        const QString setUser = registryRootDirectory(RegistryRoot::CurrentUser);
        const QString setMachine = FileRegistryStore().filePath(RegistryRoot::LocalMachine);
        setRegistryRootDirectories(QString(), QString());
        const QString backToEnv = registryRootDirectory(RegistryRoot::LocalMachine);

        const auto restore = [](const char* name, const QByteArray& value) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        };
        restore("KVT_HKCU_DIR", savedUser);
        restore("KVT_HKLM_DIR", savedMachine);
        restore("XDG_CONFIG_HOME", savedXdg);

        QCOMPARE(defaultUser, m_dir->filePath(QStringLiteral("xdg/kvt-client")));
        QCOMPARE(defaultMachine, QStringLiteral("/var/lib/kvt-client"));
        QCOMPARE(envUser, hkcuDir());
        QVERIFY(wroteThroughDefault);
        QVERIFY(readAll(hklmFile()).contains("\"AREACombobox2\"=\"1\""));
        QCOMPARE(setUser, QStringLiteral("/set/user"));
        QCOMPARE(setMachine, QStringLiteral("/set/machine/hklm.reg"));
        QCOMPARE(backToEnv, hklmDir());
    }

    // --- the remembered choices ---

    void loginChoicesFirstRun() {
        FileRegistryStore store = freshStore();
        const LoginChoices first = readLoginChoices(store);
        QVERIFY(first.complete);
        QCOMPARE(first.savePassword, std::optional<bool>(false));
        QCOMPARE(first.userName, std::nullopt);
        QCOMPARE(first.password, std::nullopt);
        QCOMPARE(first.languageIndex, std::nullopt); // nothing applied, first entry shown

        SavedLoginChoices saved;
        saved.languageIndex = 0;
        saved.userName = QStringLiteral("ignored");
        QVERIFY(writeLoginChoices(saved, store));
        QCOMPARE(sectionLines(readAll(hkcuFile()), kLoginKey),
                 (QStringList{QStringLiteral("\"savepassword\"=dword:00000000"),
                              QStringLiteral("\"saveautodial\"=dword:00000000"),
                              QStringLiteral("\"savelang\"=\"0\"")}));
    }

    void loginChoicesOrderAndTypes() {
        FileRegistryStore files = freshStore();
        RecordingStore store(files);
        SavedLoginChoices saved;
        saved.savePassword = true;
        saved.languageIndex = 1;
        saved.userName = QStringLiteral(" 张三 ");
        saved.password = QStringLiteral("p\"w\\d");
        QVERIFY(writeLoginChoices(saved, store));
        const QString key = QStringLiteral("HKCU\\Software\\vidizirevoror");
        QCOMPARE(store.calls,
                 (QStringList{
                     QStringLiteral("createKey ") + key,
                     QStringLiteral("writeDword ") + key + QStringLiteral(" savepassword=1"),
                     QStringLiteral("writeDword ") + key + QStringLiteral(" saveautodial=0"),
                     QStringLiteral("writeString ") + key + QStringLiteral(" savelang=1"),
                     QStringLiteral("writeString ") + key + QStringLiteral(" username= 张三 "),
                     QStringLiteral("writeString ") + key + QStringLiteral(" password=p\"w\\d")}));
        QCOMPARE(sectionLines(readAll(hkcuFile()), kLoginKey),
                 (QStringList{QStringLiteral("\"savepassword\"=dword:00000001"),
                              QStringLiteral("\"saveautodial\"=dword:00000000"),
                              QStringLiteral("\"savelang\"=\"1\""),
                              QStringLiteral("\"username\"=\" 张三 \""),
                              QStringLiteral("\"password\"=\"p\\\"w\\\\d\"")}));

        store.calls.clear();
        FileRegistryStore nextStart = freshStore();
        RecordingStore reader(nextStart);
        const LoginChoices read = readLoginChoices(reader);
        QCOMPARE(reader.calls,
                 (QStringList{QStringLiteral("createKey ") + key,
                              QStringLiteral("readDword ") + key + QStringLiteral(" savepassword"),
                              QStringLiteral("readString ") + key + QStringLiteral(" username"),
                              QStringLiteral("readString ") + key + QStringLiteral(" password"),
                              QStringLiteral("readString ") + key + QStringLiteral(" savelang")}));
        QVERIFY(read.complete);
        QCOMPARE(read.savePassword, std::optional<bool>(true));
        QCOMPARE(read.userName, std::optional<QString>(saved.userName)); // untrimmed
        QCOMPARE(read.password, std::optional<QString>(saved.password));
        QCOMPARE(read.languageIndex, std::optional<int>(1));
    }

    void loginChoicesReadStopsAtFailure_data() {
        QTest::addColumn<QByteArray>("values");
        QTest::addColumn<QVariant>("savePassword");
        QTest::addColumn<QVariant>("userName");
        QTest::addColumn<QVariant>("password");
        QTest::addColumn<QVariant>("languageIndex");
        QTest::addColumn<bool>("complete");
        const QVariant unset;
        QTest::newRow("savepassword stored as a string")
            << QByteArray("\"savepassword\"=\"1\"\n\"username\"=\"u\"\n\"password\"=\"p\"\n"
                          "\"savelang\"=\"1\"\n")
            << unset << unset << unset << unset << false;
        QTest::newRow("savelang not a number")
            << QByteArray("\"savepassword\"=dword:00000001\n\"username\"=\"u\"\n"
                          "\"password\"=\"p\"\n\"savelang\"=\"en\"\n")
            << QVariant(true) << QVariant("u") << QVariant("p") << unset << false;
        QTest::newRow("username stored as a dword")
            << QByteArray("\"savepassword\"=dword:00000001\n\"username\"=dword:00000001\n"
                          "\"savelang\"=\"1\"\n")
            << QVariant(true) << unset << unset << unset << false;
        QTest::newRow("savelang stored as a dword")
            << QByteArray("\"savepassword\"=dword:00000000\n\"savelang\"=dword:00000001\n")
            << QVariant(false) << unset << unset << unset << false;
        QTest::newRow("savelang empty")
            << QByteArray("\"savepassword\"=dword:00000000\n\"savelang\"=\"\"\n") << QVariant(false)
            << unset << unset << unset << true;
        QTest::newRow("savelang out of range")
            << QByteArray("\"savelang\"=\"7\"\n") << QVariant(false) << unset << unset
            << QVariant(7) << true;
        QTest::newRow("any non-zero dword is true")
            << QByteArray("\"savepassword\"=dword:00000002\n\"savelang\"=\"2\"\n") << QVariant(true)
            << QVariant(QString()) << QVariant(QString()) << QVariant(2) << true;
        QTest::newRow("password kept but not read")
            << QByteArray("\"savepassword\"=dword:00000000\n\"username\"=\"u\"\n"
                          "\"password\"=\"p\"\n")
            << QVariant(false) << unset << unset << unset << true;
    }
    void loginChoicesReadStopsAtFailure() {
        QFETCH(QByteArray, values);
        QFETCH(QVariant, savePassword);
        QFETCH(QVariant, userName);
        QFETCH(QVariant, password);
        QFETCH(QVariant, languageIndex);
        QFETCH(bool, complete);
        QVERIFY(writeFile(hkcuFile(), "REGEDIT4\n\n[Software\\vidizirevoror]\n" + values));
        FileRegistryStore store = freshStore();
        const LoginChoices read = readLoginChoices(store);
        const auto asVariant = [](const auto& optional) {
            return optional ? QVariant::fromValue(*optional) : QVariant();
        };
        QCOMPARE(asVariant(read.savePassword), savePassword);
        QCOMPARE(asVariant(read.userName), userName);
        QCOMPARE(asVariant(read.password), password);
        QCOMPARE(asVariant(read.languageIndex), languageIndex);
        QCOMPARE(read.complete, complete);
    }

    void savePasswordOffKeepsOldCredentials() {
        FileRegistryStore store = freshStore();
        SavedLoginChoices on;
        on.savePassword = true;
        on.userName = QStringLiteral("alice");
        on.password = QStringLiteral("secret");
        QVERIFY(writeLoginChoices(on, store));
        SavedLoginChoices off;
        off.languageIndex = 2;
        off.userName = QStringLiteral("bob");
        off.password = QStringLiteral("other");
        QVERIFY(writeLoginChoices(off, store));

        QCOMPARE(sectionLines(readAll(hkcuFile()), kLoginKey),
                 (QStringList{QStringLiteral("\"savepassword\"=dword:00000000"),
                              QStringLiteral("\"saveautodial\"=dword:00000000"),
                              QStringLiteral("\"savelang\"=\"2\""),
                              QStringLiteral("\"username\"=\"alice\""),
                              QStringLiteral("\"password\"=\"secret\"")}));
        const LoginChoices read = readLoginChoices(store);
        QCOMPARE(read.savePassword, std::optional<bool>(false));
        QCOMPARE(read.userName, std::nullopt);
        QCOMPARE(read.password, std::nullopt);
        QCOMPARE(read.languageIndex, std::optional<int>(2));
    }

    void lastChoiceOrderAndTypes() {
        FileRegistryStore files = freshStore();
        RecordingStore store(files);
        QVERIFY(writeLastChoice(3, -1, store));
        const QString key = QStringLiteral("HKLM\\SOFTWARE\\vidizirevoror");
        QCOMPARE(store.calls,
                 (QStringList{
                     QStringLiteral("createKey ") + key,
                     QStringLiteral("writeString ") + key + QStringLiteral(" AREACombobox2=3"),
                     QStringLiteral("writeString ") + key + QStringLiteral(" IPCombobox2=-1")}));
        QCOMPARE(sectionLines(readAll(hklmFile()), kLastKey),
                 (QStringList{QStringLiteral("\"AREACombobox2\"=\"3\""),
                              QStringLiteral("\"IPCombobox2\"=\"-1\"")}));
        QVERIFY(!QFileInfo::exists(hkcuFile()));

        store.calls.clear();
        const LastChoiceTexts read = readLastChoice(store);
        QCOMPARE(
            store.calls,
            (QStringList{QStringLiteral("createKey ") + key,
                         QStringLiteral("readString ") + key + QStringLiteral(" AREACombobox2"),
                         QStringLiteral("readString ") + key + QStringLiteral(" IPCombobox2")}));
        QVERIFY(read.complete());
        QCOMPARE(*read.area, QStringLiteral("3"));
        QCOMPARE(*read.line, QStringLiteral("-1"));
    }

    void lastChoiceRead_data() {
        QTest::addColumn<QByteArray>("values");
        QTest::addColumn<QVariant>("area");
        QTest::addColumn<QVariant>("line");
        QTest::newRow("nothing stored")
            << QByteArray() << QVariant(QString()) << QVariant(QString());
        QTest::newRow("raw texts") << QByteArray("\"AREACombobox2\"=\"x\"\n\"IPCombobox2\"=\"\"\n")
                                   << QVariant("x") << QVariant(QString());
        QTest::newRow("area stored as a dword")
            << QByteArray("\"AREACombobox2\"=dword:00000001\n\"IPCombobox2\"=\"2\"\n") << QVariant()
            << QVariant();
        QTest::newRow("line stored as a dword")
            << QByteArray("\"AREACombobox2\"=\"1\"\n\"IPCombobox2\"=dword:00000002\n")
            << QVariant("1") << QVariant();
    }
    void lastChoiceRead() {
        QFETCH(QByteArray, values);
        QFETCH(QVariant, area);
        QFETCH(QVariant, line);
        if (!values.isEmpty())
            QVERIFY(writeFile(hklmFile(), "REGEDIT4\n\n[SOFTWARE\\vidizirevoror]\n" + values));
        FileRegistryStore store = freshStore();
        const LastChoiceTexts read = readLastChoice(store);
        QCOMPARE(read.area ? QVariant(*read.area) : QVariant(), area);
        QCOMPARE(read.line ? QVariant(*read.line) : QVariant(), line);
        QVERIFY(store.keyExists(RegistryRoot::LocalMachine, kLastKey)); // created if missing
    }

    void lastChoiceIndex_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("index");
        QTest::newRow("empty") << QString() << QVariant(0);
        QTest::newRow("none") << QStringLiteral("-1") << QVariant(0);
        QTest::newRow("zero") << QStringLiteral("0") << QVariant(0);
        QTest::newRow("twelve") << QStringLiteral("12") << QVariant(12);
        QTest::newRow("other negative") << QStringLiteral("-2") << QVariant(-2);
        QTest::newRow("letters") << QStringLiteral("abc") << QVariant();
        QTest::newRow("fraction") << QStringLiteral("1.5") << QVariant();
        QTest::newRow("space") << QStringLiteral(" 3") << QVariant();
        QTest::newRow("sign only") << QStringLiteral("-") << QVariant();
        QTest::newRow("too big") << QStringLiteral("99999999999") << QVariant();
    }
    void lastChoiceIndex() {
        QFETCH(QString, text);
        QFETCH(QVariant, index);
        const std::optional<int> parsed = kvt::lastChoiceIndex(text);
        QCOMPARE(parsed ? QVariant(*parsed) : QVariant(), index);
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settings_store.moc"
