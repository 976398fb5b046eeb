#include "app/state/SettingsModel.h"
#include "platform/JsonText.h"
#include "support/TempPreferences.h"
#include "tests/app/Drafts.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace qn;
using test::draft;

namespace {
QByteArray iniText(const test::TempPreferences &prefs) {
    QFile file(prefs.path());
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// Everything a launch reads from the preferences, compared as a whole so that a
// damaged key that spills into another one shows.
struct ReadBack {
    bool firstRun = true;
    QString token;
    QString name;
    bool muted = false;
    bool notMuted = true;
    bool showProjects = false;
    bool showNotifications = true;
    bool showNewComments = true;
    bool autoUpload = false;
    bool uploadWatermark = true;
    bool localWatermark = true;
    Appearance appearance = Appearance::None;
    std::optional<QString> logo;
    bool needOnboarding = true;

    bool operator==(const ReadBack &) const = default;
};

ReadBack readBack(const SettingsModel &m) {
    return {m.firstRun(),
            m.token(),
            m.name(),
            m.muted(),
            m.notMuted(),
            m.showProjects(),
            m.showNotifications(),
            m.showNewComments(),
            m.autoUpload(),
            m.uploadWatermark(),
            m.localWatermark(),
            m.appearance(),
            m.logo(),
            m.needOnboarding()};
}

void PrintTo(const ReadBack &r, std::ostream *os) {
    *os << "firstRun=" << r.firstRun << " token=" << qPrintable(r.token) << " name=" << qPrintable(r.name)
        << " muted=" << r.muted << " notMuted=" << r.notMuted << " showProjects=" << r.showProjects
        << " showNotifications=" << r.showNotifications << " showNewComments=" << r.showNewComments
        << " autoUpload=" << r.autoUpload << " uploadWatermark=" << r.uploadWatermark
        << " localWatermark=" << r.localWatermark << " appearance=" << qPrintable(appearanceRawValue(r.appearance))
        << " logo=" << (r.logo ? qPrintable(*r.logo) : "none") << " needOnboarding=" << r.needOnboarding;
}

const char *const kStoredKeys[] = {"isFirstRun",      "token",        "name",
                                   "isMuted",         "showProjects", "showNotifications",
                                   "showNewComments", "autoUpload",   "uploadWatermark",
                                   "localWatermark",  "appearance",   "logo",
                                   "needOnboarding"};

// Assigns every stored property once, as the settings pages would.
void writeEveryStoredValue(SettingsModel &m, const ReadBack &v) {
    m.setFirstRun(v.firstRun);
    m.setToken(v.token);
    m.setName(v.name);
    m.setMuted(v.muted);
    m.setShowProjects(v.showProjects);
    m.setShowNotifications(v.showNotifications);
    m.setShowNewComments(v.showNewComments);
    m.setAutoUpload(v.autoUpload);
    m.setUploadWatermark(v.uploadWatermark);
    m.setLocalWatermark(v.localWatermark);
    m.setAppearance(v.appearance);
    m.setLogo(v.logo);
    m.setNeedOnboarding(v.needOnboarding);
}
} // namespace

// The preferences file other versions and the user's backups hold: every byte of it is
// part of the format, so it is pinned whole, for the defaults and for values that
// differ from every default (texts that need quoting and escaping included).
TEST(SettingsModel, StoredFileKeepsItsExactBytes) {
    ReadBack changed;
    changed.firstRun = false;
    changed.token = QStringLiteral("t0k3n=;#\"x");
    changed.name = QStringLiteral("Ann Ö, Jr.");
    changed.muted = true;
    changed.notMuted = false;
    changed.showProjects = true;
    changed.showNotifications = false;
    changed.showNewComments = false;
    changed.autoUpload = true;
    changed.uploadWatermark = false;
    changed.localWatermark = false;
    changed.appearance = Appearance::Dark;
    changed.logo = QStringLiteral("/srv/logos/mark é.png");
    changed.needOnboarding = false;

    const struct {
        const char *what;
        ReadBack values;
        QByteArray file;
    } cases[] = {
        {"defaults", ReadBack{}, QByteArray(R"ini([General]
appearance=@ByteArray(\"none\")
autoUpload=false
isFirstRun=true
isMuted=false
localWatermark=true
logo=@ByteArray(null)
name=
needOnboarding=true
showNewComments=true
showNotifications=true
showProjects=false
token=
uploadWatermark=true
)ini")},
        {"changed", changed, QByteArray(R"ini([General]
appearance=@ByteArray(\"dark\")
autoUpload=true
isFirstRun=false
isMuted=true
localWatermark=false
logo=@ByteArray(\"\\/srv\\/logos\\/mark \xc3\xa9.png\")
name="Ann Ö, Jr."
needOnboarding=false
showNewComments=false
showNotifications=false
showProjects=true
token="t0k3n=;#\"x"
uploadWatermark=false
)ini")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        test::TempPreferences prefs;
        {
            SettingsModel m(prefs.store());
            writeEveryStoredValue(m, c.values);
        }
        EXPECT_EQ(iniText(prefs), c.file) << iniText(prefs).constData();
        // And the next launch reads back what was written.
        auto reopened = prefs.reopen();
        SettingsModel next(*reopened);
        ReadBack expected = c.values;
        expected.logo.reset(); // no such file here: a path to nothing is no logo
        EXPECT_EQ(readBack(next), expected);
    }
}

// A hand-edited, half-written or foreign file: each damaged key reads as its default
// and is reported once by name; every other key reads as stored and nothing is
// rewritten.
TEST(SettingsModel, DamagedStoredValuesReadAsTheirDefaults) {
    ReadBack keptValues;
    keptValues.token = QStringLiteral("t");
    keptValues.autoUpload = true;
    const QByteArray kept = "token=t\nautoUpload=true\n";

    struct Case {
        const char *what;
        QByteArray file;
        ReadBack expected;
        QList<const char *> reported;
    };
    auto with = [](ReadBack r, auto change) {
        change(r);
        return r;
    };
    const Case cases[] = {
        {"missing file", {}, ReadBack{}, {}},
        {"empty section", "[General]\n", ReadBack{}, {}},
        {"booleans of another kind",
         "[General]\n" + kept +
             "isFirstRun=@ByteArray(false)\nisMuted=maybe\nshowProjects=1\nshowNotifications=FALSE\n"
             "showNewComments=true, false\nuploadWatermark=\nlocalWatermark=no\n"
             "needOnboarding=0\n",
         keptValues,
         {"isFirstRun", "isMuted", "showProjects", "showNotifications", "showNewComments", "uploadWatermark",
          "localWatermark", "needOnboarding"}},
        {"texts of another kind",
         "[General]\nautoUpload=true\ntoken=@ByteArray(t)\nname=@Rect(1 2 3 4)\n",
         with(ReadBack{}, [](ReadBack &r) { r.autoUpload = true; }),
         {"token", "name"}},
        {"appearance as text", "[General]\n" + kept + "appearance=dark\n", keptValues, {"appearance"}},
        {"appearance out of range",
         "[General]\n" + kept + "appearance=@ByteArray(\\\"Dark\\\")\n",
         keptValues,
         {"appearance"}},
        {"appearance not JSON", "[General]\n" + kept + "appearance=@ByteArray(dark)\n", keptValues, {"appearance"}},
        {"appearance in a list",
         "[General]\n" + kept + "appearance=@ByteArray([\\\"dark\\\"])\n",
         keptValues,
         {"appearance"}},
        {"logo as text", "[General]\n" + kept + "logo=/etc/hostname\n", keptValues, {"logo"}},
        {"logo not a path", "[General]\n" + kept + "logo=@ByteArray(42)\n", keptValues, {"logo"}},
        {"logo cut short", "[General]\n" + kept + "logo=@ByteArray(nul)\n", keptValues, {"logo"}},
        {"logo forgotten", "[General]\n" + kept + "logo=@ByteArray(null)\n", keptValues, {}},
        {"logo to nothing", "[General]\n" + kept + "logo=@ByteArray(\\\"\\/nowhere\\/logo.png\\\")\n", keptValues, {}},
        {"garbage", QByteArray("\x00\xff\xfe[[[General\n=\x01\x02\nisMuted\n\x89PNG\r\n", 24), ReadBack{}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        test::TempPreferences prefs;
        if (!c.file.isNull()) {
            QFile file(prefs.path());
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.file);
        }
        testing::internal::CaptureStdout();
        {
            auto store = prefs.reopen();
            SettingsModel m(*store);
            EXPECT_EQ(readBack(m), c.expected);
        }
        const std::string out = testing::internal::GetCapturedStdout();
        for (const char *key : kStoredKeys) {
            const bool reported = std::any_of(c.reported.begin(), c.reported.end(),
                                              [&](const char *k) { return std::strcmp(k, key) == 0; });
            EXPECT_EQ(out.find("value of \"" + std::string(key) + "\" ignored") != std::string::npos, reported)
                << key << "\n"
                << out;
        }
        QFile file(prefs.path());
        file.open(QIODevice::ReadOnly);
        EXPECT_EQ(file.readAll(), c.file.isNull() ? QByteArray() : c.file);
    }
}

TEST(SettingsModel, EmptyStoreGivesDefaults) {
    test::TempPreferences prefs;
    SettingsModel m(prefs.store());
    EXPECT_TRUE(m.firstRun());
    EXPECT_EQ(m.token(), QString());
    EXPECT_EQ(m.name(), QString());
    EXPECT_FALSE(m.muted());
    EXPECT_TRUE(m.notMuted());
    EXPECT_FALSE(m.showProjects());
    EXPECT_TRUE(m.showNotifications());
    EXPECT_TRUE(m.showNewComments());
    EXPECT_TRUE(m.needRetina());
    EXPECT_FALSE(m.autoUpload());
    EXPECT_TRUE(m.uploadWatermark());
    EXPECT_TRUE(m.localWatermark());
    EXPECT_EQ(m.appearance(), Appearance::None);
    EXPECT_FALSE(m.logo().has_value());
    EXPECT_TRUE(m.needOnboarding());
    EXPECT_EQ(m.settings(), SettingsMenu::Account);
    EXPECT_TRUE(m.feeds().isEmpty());
    EXPECT_TRUE(m.projects().isEmpty());
    EXPECT_EQ(m.onboardingStep(), 0);
}

// Every stored switch: its key, and that a write (of the opposite of its default)
// is what the next launch reads.
TEST(SettingsModel, EverySwitchIsStoredUnderItsKeyAndReadBack) {
    struct Case {
        const char *key;
        void (SettingsModel::*set)(bool);
        bool (SettingsModel::*get)() const;
        bool defaultValue;
    };
    const Case cases[] = {
        {"isFirstRun", &SettingsModel::setFirstRun, &SettingsModel::firstRun, true},
        {"isMuted", &SettingsModel::setMuted, &SettingsModel::muted, false},
        {"showProjects", &SettingsModel::setShowProjects, &SettingsModel::showProjects, false},
        {"showNotifications", &SettingsModel::setShowNotifications, &SettingsModel::showNotifications, true},
        {"showNewComments", &SettingsModel::setShowNewComments, &SettingsModel::showNewComments, true},
        {"autoUpload", &SettingsModel::setAutoUpload, &SettingsModel::autoUpload, false},
        {"uploadWatermark", &SettingsModel::setUploadWatermark, &SettingsModel::uploadWatermark, true},
        {"localWatermark", &SettingsModel::setLocalWatermark, &SettingsModel::localWatermark, true},
        {"needOnboarding", &SettingsModel::setNeedOnboarding, &SettingsModel::needOnboarding, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        test::TempPreferences prefs;
        {
            SettingsModel m(prefs.store());
            (m.*c.set)(!c.defaultValue);
            EXPECT_EQ(prefs.store().boolValue(QLatin1String(c.key)), !c.defaultValue);
        }
        auto reopened = prefs.reopen();
        SettingsModel next(*reopened);
        EXPECT_EQ((next.*c.get)(), !c.defaultValue);
    }
}

TEST(SettingsModel, TextsAreStoredAsTexts) {
    test::TempPreferences prefs;
    SettingsModel m(prefs.store());
    m.setToken(QStringLiteral("t0k3n"));
    m.setName(QStringLiteral("Ann Ö"));
    EXPECT_EQ(prefs.store().text(QStringLiteral("token")), QStringLiteral("t0k3n"));
    auto reopened = prefs.reopen();
    SettingsModel next(*reopened);
    EXPECT_EQ(next.name(), QStringLiteral("Ann Ö"));
}

// The JSON data values keep the exact bytes the preferences have always held.
TEST(SettingsModel, JsonValuesAreStoredByteExact) {
    QTemporaryDir dir;
    const QString logo = dir.filePath(QStringLiteral("my logo.png"));
    QFile file(logo);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("png");
    file.close();

    test::TempPreferences prefs;
    SettingsModel m(prefs.store());
    m.setAppearance(Appearance::Dark);
    EXPECT_EQ(prefs.store().data(QStringLiteral("appearance")), QByteArray("\"dark\""));
    m.setAppearance(Appearance::None);
    EXPECT_EQ(prefs.store().data(QStringLiteral("appearance")), QByteArray("\"none\""));

    m.setLogo(logo);
    QByteArray expected = "\"" + logo.toUtf8().replace("/", "\\/") + "\"";
    EXPECT_EQ(prefs.store().data(QStringLiteral("logo")), expected);
    m.setLogo(std::nullopt);
    EXPECT_EQ(prefs.store().data(QStringLiteral("logo")), QByteArray("null"));
    // On disk, data values are QSettings byte arrays.
    EXPECT_TRUE(iniText(prefs).contains("appearance=@ByteArray(\\\"none\\\")")) << iniText(prefs).constData();
}

TEST(SettingsModel, StoredAppearanceIsReadOnlyFromItsExactJson) {
    struct Case {
        std::optional<QByteArray> data; // stored as data
        std::optional<QString> text;    // stored as text
        Appearance expected;
    };
    const Case cases[] = {
        {QByteArray("\"dark\""), {}, Appearance::Dark},   {QByteArray("\"light\""), {}, Appearance::Light},
        {QByteArray("\"Dark\""), {}, Appearance::None},   {QByteArray("dark"), {}, Appearance::None},
        {QByteArray("[\"dark\"]"), {}, Appearance::None}, {QByteArray(""), {}, Appearance::None},
        {{}, QStringLiteral("dark"), Appearance::None},
    };
    for (const Case &c : cases) {
        test::TempPreferences prefs;
        if (c.data)
            prefs.store().setData(QStringLiteral("appearance"), *c.data);
        if (c.text)
            prefs.store().setText(QStringLiteral("appearance"), *c.text);
        SettingsModel m(prefs.store());
        EXPECT_EQ(m.appearance(), c.expected) << (c.data ? c.data->constData() : "text");
    }
}

// A damaged value reads as its default and costs no other key.
TEST(SettingsModel, WrongKindsReadAsDefaultsAndSpareTheOtherKeys) {
    test::TempPreferences prefs;
    PreferencesStore &s = prefs.store();
    s.setText(QStringLiteral("isMuted"), QStringLiteral("maybe"));
    s.setData(QStringLiteral("showNotifications"), QByteArray("false"));
    s.setData(QStringLiteral("token"), QByteArray("bytes"));
    s.setText(QStringLiteral("logo"), QStringLiteral("/etc/hostname"));
    s.setBool(QStringLiteral("autoUpload"), true);
    s.setText(QStringLiteral("name"), QStringLiteral("Ann"));
    SettingsModel m(s);
    EXPECT_FALSE(m.muted());
    EXPECT_TRUE(m.notMuted());
    EXPECT_TRUE(m.showNotifications());
    EXPECT_EQ(m.token(), QString());
    EXPECT_FALSE(m.logo().has_value());
    EXPECT_TRUE(m.autoUpload());
    EXPECT_EQ(m.name(), QStringLiteral("Ann"));
    // Reading changes nothing in the store.
    EXPECT_EQ(s.text(QStringLiteral("isMuted")), QStringLiteral("maybe"));
}

TEST(SettingsModel, LogoIsKeptOnlyForARegularReadableFile) {
    QTemporaryDir dir;
    const QString regular = dir.filePath(QStringLiteral("logo.png"));
    QFile(regular).open(QIODevice::WriteOnly);
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString missing = dir.filePath(QStringLiteral("gone.png"));

    struct Case {
        QString path;
        bool kept;
    };
    const Case cases[] = {{regular, true},
                          {fifo, false},
                          {dir.path(), false},
                          {missing, false},
                          {QStringLiteral("/dev/zero"), false},
                          {QStringLiteral("relative/logo.png"), false}};
    for (const Case &c : cases) {
        test::TempPreferences prefs;
        prefs.store().setData(QStringLiteral("logo"), json::encodeString(c.path));
        SettingsModel m(prefs.store());
        EXPECT_EQ(m.logo().has_value(), c.kept) << qPrintable(c.path);
        // A stale path stays in the store until the logo is next written.
        EXPECT_EQ(prefs.store().data(QStringLiteral("logo")), json::encodeString(c.path));
    }
}

// A removed logo is stored as JSON null; reading it back is no logo and no complaint.
TEST(SettingsModel, ForgottenLogoReadsAsNoneWithoutAComplaint) {
    const struct {
        QByteArray stored;
        bool reported;
    } cases[] = {{QByteArray("null"), false}, {QByteArray("42"), true}, {QByteArray("nul"), true}};
    for (const auto &c : cases) {
        test::TempPreferences prefs;
        prefs.store().setData(QStringLiteral("logo"), c.stored);
        testing::internal::CaptureStdout();
        SettingsModel m(prefs.store());
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_FALSE(m.logo().has_value()) << c.stored.constData();
        EXPECT_EQ(out.find("\"logo\" ignored") != std::string::npos, c.reported) << c.stored.constData() << out;
    }
}

TEST(SettingsModel, EveryAssignmentNotifiesStoresAndRebuildsWhereItShould) {
    test::TempPreferences prefs;
    SettingsModel m(prefs.store());
    QSignalSpy rebuilds(&m, &SettingsModel::statusMenuRebuildRequested);
    QSignalSpy shown(&m, &SettingsModel::showNotificationsChanged);

    prefs.store().remove(QStringLiteral("showNotifications"));
    m.setShowNotifications(m.showNotifications()); // an equal value
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(rebuilds.count(), 1);
    EXPECT_EQ(prefs.store().boolValue(QStringLiteral("showNotifications")), true);

    m.setFeeds({draft(1, QStringLiteral("d"), QStringLiteral("s"))});
    EXPECT_EQ(rebuilds.count(), 2);
    m.setProjects({Project{}});
    m.setUploadWatermark(false);
    m.setAppearance(Appearance::Light);
    EXPECT_EQ(rebuilds.count(), 2);
    for (void (SettingsModel::*setter)(bool) : {&SettingsModel::setMuted, &SettingsModel::setShowProjects,
                                                &SettingsModel::setShowNewComments, &SettingsModel::setAutoUpload})
        (m.*setter)(true);
    EXPECT_EQ(rebuilds.count(), 6);
    // Per-run state is never stored.
    m.setNotMuted(false);
    m.setNeedRetina(false);
    m.setOnboardingStep(3);
    m.setSettings(SettingsMenu::About);
    for (const char *key : {"notMuted", "needRetina", "onboardingStep", "settings", "feeds", "projects"})
        EXPECT_FALSE(prefs.store().contains(QLatin1String(key))) << key;
}

TEST(SettingsModel, LogoutForgetsTheAccountButKeepsFeeds) {
    test::TempPreferences prefs;
    SettingsModel m(prefs.store());
    m.setToken(QStringLiteral("t"));
    m.setName(QStringLiteral("Ann"));
    m.setProjects({Project{1, QStringLiteral("P"), QStringLiteral("https://x"), false, 0}});
    const QList<Draft> feeds{draft(1, QStringLiteral("a"), {}), draft(2, QStringLiteral("b"), {}),
                             draft(3, QStringLiteral("c"), {})};
    m.setFeeds(feeds);
    m.logout();
    EXPECT_EQ(m.token(), QString());
    EXPECT_EQ(m.name(), QString());
    EXPECT_EQ(prefs.store().text(QStringLiteral("token")), QString());
    EXPECT_EQ(prefs.store().text(QStringLiteral("name")), QString());
    EXPECT_TRUE(m.projects().isEmpty());
    EXPECT_EQ(m.feeds().size(), 3);
}

TEST(SettingsModel, TemporaryProjectIsTheFirstMarkedOne) {
    test::TempPreferences prefs;
    SettingsModel m(prefs.store());
    m.setProjects({{1, QStringLiteral("a"), {}, false, 0},
                   {2, QStringLiteral("b"), {}, false, 1},
                   {3, QStringLiteral("c"), {}, false, 1}});
    ASSERT_TRUE(m.temporaryProject());
    EXPECT_EQ(m.temporaryProject()->id, 2);
    m.setProjects({{1, QStringLiteral("a"), {}, false, 0}, {2, QStringLiteral("b"), {}, false, 2}});
    EXPECT_FALSE(m.temporaryProject());
}

// A logo is only opened at start-up, and decoded when drawn within a watermark's size:
// a multi-gigabyte file costs neither time nor memory.
TEST(SettingsModel, LogosAreDecodedOnlyWithinTheirLimits) {
    QTemporaryDir dir;
    const QString small = dir.filePath(QStringLiteral("small.png"));
    QImage picture(40, 20, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(small));
    const QString huge = dir.filePath(QStringLiteral("huge.png"));
    {
        // A real picture at the front, then a sparse tail: 3 GiB that take no disk.
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QFile source(small);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        file.write(source.readAll());
        ASSERT_TRUE(file.resize(3LL * 1024 * 1024 * 1024));
    }
    EXPECT_TRUE(SettingsModel::isReadableLogoFile(huge));
    EXPECT_TRUE(SettingsModel::loadLogo(huge).isNull());
    EXPECT_EQ(SettingsModel::loadLogo(small).size(), QSize(40, 20));
    EXPECT_TRUE(SettingsModel::loadLogo(dir.filePath(QStringLiteral("gone.png"))).isNull());
}
