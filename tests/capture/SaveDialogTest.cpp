#include "capture/SaveDialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace qn;

namespace {

const QList<saveDialog::FileType> kImageTypes = {{QStringLiteral("PNG image"), {QStringLiteral("png")}},
                                                 {QStringLiteral("JPEG image"),
                                                  {QStringLiteral("jpg"), QStringLiteral("jpeg")}}};

// The dialog of a user whose home has no folder for pictures (nor anything else).
struct Dialog {
    QTemporaryDir home;
    QByteArray oldHome = qgetenv("HOME");
    std::unique_ptr<QFileDialog> dialog;

    explicit Dialog(const QString &name) {
        qputenv("HOME", QFile::encodeName(home.path()));
        dialog.reset(saveDialog::make(nullptr, QStandardPaths::PicturesLocation, kImageTypes, name));
        dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    ~Dialog() { qputenv("HOME", oldHome); }

    void type(const QString &name) {
        auto *field = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(field, nullptr);
        field->setText(name);
    }
    // As the user does it: a key on the type list, which is what tells the dialog a
    // type was chosen (choosing it from code does not).
    void chooseType(int index) {
        auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        while (types->currentIndex() < index)
            QTest::keyClick(types, Qt::Key_Down);
        while (types->currentIndex() > index)
            QTest::keyClick(types, Qt::Key_Up);
    }
};

} // namespace

TEST(SaveDialog, OpensAtHomeWithTheProposedNameAndTheTypesInOrder) {
    Dialog d(QStringLiteral("Screenshot 2026-01-02 10.11.12.png"));
    EXPECT_EQ(d.dialog->windowTitle(), QStringLiteral("Save"));
    EXPECT_EQ(QDir(d.dialog->directory()).canonicalPath(), QDir(d.home.path()).canonicalPath());
    EXPECT_EQ(d.dialog->nameFilters(),
              (QStringList{QStringLiteral("PNG image (*.png)"), QStringLiteral("JPEG image (*.jpg *.jpeg)")}));
    EXPECT_EQ(QFileInfo(saveDialog::chosenPath(d.dialog.get())).fileName(),
              QStringLiteral("Screenshot 2026-01-02 10.11.12.png"));
    EXPECT_TRUE(d.dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_TRUE(d.dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

// A name with dots in it ("10.11.12") has no type of its own unless it ends in one:
// the chosen type is what it gets.
TEST(SaveDialog, TheChosenTypeGoesWhereTheNameHasNone) {
    struct Case {
        const char *typed;
        int type;
        const char *chosen;
    };
    const Case cases[] = {
        {"shot", 0, "shot.png"},
        {"shot", 1, "shot.jpg"},
        {"shot.jpeg", 0, "shot.jpeg"},
        {"shot.PNG", 1, "shot.PNG"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        Dialog d(QStringLiteral("proposed.png"));
        d.chooseType(c.type);
        d.type(QString::fromUtf8(c.typed));
        EXPECT_EQ(QFileInfo(saveDialog::chosenPath(d.dialog.get())).fileName(), QString::fromUtf8(c.chosen));
    }
}

TEST(SaveDialog, ChoosingAnotherTypeRenamesTheProposal) {
    Dialog d(QStringLiteral("Screenshot 2026-01-02 10.11.12.png"));
    d.chooseType(1);
    EXPECT_EQ(QFileInfo(saveDialog::chosenPath(d.dialog.get())).fileName(),
              QStringLiteral("Screenshot 2026-01-02 10.11.12.jpg"));
    d.chooseType(0);
    EXPECT_EQ(QFileInfo(saveDialog::chosenPath(d.dialog.get())).fileName(),
              QStringLiteral("Screenshot 2026-01-02 10.11.12.png"));
}
