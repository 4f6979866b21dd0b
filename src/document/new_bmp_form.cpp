#include "document/new_bmp_form.h"

#include "platform/forms/artwork.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

TNewBMPForm* NewBMPForm = nullptr;

static void initialiseDocumentResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(document_glyphs);
        return true;
    }();
    Q_UNUSED(registered);
}

TNewBMPForm::TNewBMPForm(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    initialiseDocumentResources();
    setObjectName(QStringLiteral("NewBMPForm"));
    // Kept for the window list and accessibility; the borderless dialog never shows it.
    setWindowTitle(QStringLiteral("Размеры рисунка"));
    setFixedSize(ClientWidth, ClientHeight);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(192, 220, 192));
    setPalette(background);
    setAutoFillBackground(true);

    Banner = new QLabel(this);
    Banner->setObjectName(QStringLiteral("Banner"));
    Banner->setGeometry(0, 0, 293, 37);
    Banner->setScaledContents(true);
    Banner->setPixmap(forms::ArtworkPixmap(QStringLiteral(":/document/new_bmp_banner.png"), devicePixelRatioF()));

    Frame = new QGroupBox(this);
    Frame->setGeometry(12, 46, 267, 88);

    HeightLabel = new QLabel(QStringLiteral("&Высота"), Frame);
    HeightLabel->setGeometry(16, 18, 80, 22);
    HeightEdit = new QLineEdit(QStringLiteral("555"), Frame);
    HeightEdit->setObjectName(QStringLiteral("HeightEdit"));
    HeightEdit->setGeometry(104, 18, 145, 22);
    HeightLabel->setBuddy(HeightEdit);

    WidthLabel = new QLabel(QStringLiteral("&Ширина"), Frame);
    WidthLabel->setGeometry(16, 52, 80, 22);
    WidthEdit = new QLineEdit(QStringLiteral("545"), Frame);
    WidthEdit->setObjectName(QStringLiteral("WidthEdit"));
    WidthEdit->setGeometry(104, 52, 145, 22);
    WidthLabel->setBuddy(WidthEdit);

    OKBtn = new QPushButton(QStringLiteral("&Да"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(60, 146, 80, 27);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    // Escape rejects any dialog; the button only has to say so.
    CancelBtn = new QPushButton(QStringLiteral("Отмена"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(152, 146, 80, 27);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(HeightEdit, WidthEdit);
    setTabOrder(WidthEdit, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
}

void TNewBMPForm::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}
