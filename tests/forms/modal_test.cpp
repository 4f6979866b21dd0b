#include "platform/forms/modal.h"

#include "modal_script.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace widget_test;

namespace {

// A real dialog with a field and OK/Cancel, as the program's own dialogs are built.
class NameDialog : public QDialog {
public:
    NameDialog()
    {
        setWindowTitle(QStringLiteral("Имя"));
        name = new QLineEdit(this);
        name->setObjectName(QStringLiteral("name"));
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(name);
        layout->addWidget(buttons);
    }
    QLineEdit* name;
};

} // namespace

TEST(Modal, ScriptFillsTheRealDialogAndPressesItsButton)
{
    ModalScript script;
    script.then(steps({setField(QStringLiteral("name"), QStringLiteral("рисунок")), pressButton(QStringLiteral("OK"))}));
    NameDialog dialog;
    EXPECT_EQ(forms::Modal::exec(dialog), QDialog::Accepted);
    EXPECT_EQ(dialog.name->text(), QStringLiteral("рисунок"));
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(script.count(), 1);
    EXPECT_EQ(script.shown()[0].title, QStringLiteral("Имя"));
}

TEST(Modal, DialogLeftOpenOrBeyondTheScriptIsRejected)
{
    ModalScript script;
    script.then(closeDialog());
    NameDialog first;
    EXPECT_EQ(forms::Modal::exec(first), QDialog::Rejected);
    EXPECT_FALSE(first.isVisible());
    NameDialog second;
    EXPECT_EQ(forms::Modal::exec(second), QDialog::Rejected);
    EXPECT_EQ(script.count(), 2);
}

TEST(Modal, MessageBoxReturnsThePressedButton)
{
    struct Row {
        const char* press;
        QMessageBox::StandardButton expected;
    };
    const Row rows[] = {{"&Yes", QMessageBox::Yes}, {"&No", QMessageBox::No}, {"Cancel", QMessageBox::Cancel}};
    for (const Row& row : rows) {
        ModalScript script;
        script.then(pressButton(plainCaption(QString::fromUtf8(row.press))));
        const auto answer = forms::Modal::messageBox(nullptr, QMessageBox::Question, QStringLiteral("Пиктаво"),
                                                     QStringLiteral("Сохранить рисунок?"),
                                                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(answer, row.expected) << row.press;
        ASSERT_EQ(script.count(), 1);
        EXPECT_EQ(script.shown()[0].text, QStringLiteral("Сохранить рисунок?"));
    }
}

TEST(Modal, HandlersNestAndTheOuterOneComesBack)
{
    int outerCalls = 0;
    forms::Modal::ScopedHandler outer([&](QDialog&) { ++outerCalls; });
    {
        ModalScript script;
        {
            ModalScript inner;
            NameDialog dialog;
            forms::Modal::exec(dialog);
            EXPECT_EQ(inner.count(), 1);
        }
        NameDialog dialog;
        forms::Modal::exec(dialog);
        EXPECT_EQ(script.count(), 1);
    }
    NameDialog dialog;
    forms::Modal::exec(dialog);
    EXPECT_EQ(outerCalls, 1);
}

TEST(Modal, FileDialogsAreQtsOwn)
{
    ModalScript script;
    QFileDialog dialog;
    forms::Modal::exec(dialog);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
}
