#include "app/about_box.h"

#include "platform/forms/artwork.h"
#include "platform/forms/bevel_panel.h"

#include <QLabel>
#include <QPushButton>

TAboutBox* AboutBox = nullptr;

namespace {
QFont timesFont(int pixelSize)
{
    // Metric twin of the classic Times face, so the texts fit their fixed places.
    QFont font(QStringLiteral("Liberation Serif"));
    font.setPixelSize(pixelSize);
    return font;
}
} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("О программе..."));
    setFixedSize(369, 271);

    Panel1 = new forms::BevelPanel(this);
    Panel1->setGeometry(-1, 0, 370, 209);
    Panel1->setBevels(forms::BevelPanel::Bevel::Lowered, forms::BevelPanel::Bevel::Raised);
    Panel1->setFont(timesFont(13));

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setGeometry(0, 0, 257, 201);
    ProgramIcon->setScaledContents(true);

    ProductName = new QLabel(QStringLiteral("Пиктаво"), Panel1);
    ProductName->move(192, 0);

    Version = new QLabel(QStringLiteral("Версия 2.2"), Panel1);
    Version->move(300, 89);

    Comments = new QLabel(QStringLiteral("Простой и удобный графический редактор."), Panel1);
    Comments->setGeometry(274, 120, 87, 75);
    Comments->setWordWrap(true);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    OKButton = new QPushButton(QStringLiteral("Да"), this);
    OKButton->setGeometry(137, 238, 92, 30);
    OKButton->setFont(timesFont(20));
    QPalette red = OKButton->palette();
    red.setColor(QPalette::ButtonText, Qt::red);
    OKButton->setPalette(red);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate();
}

void TAboutBox::showEvent(QShowEvent* event)
{
    // The picture and the fitted labels wait for the first showing: loading the picture and the
    // serif face at start-up would only delay the frame.
    if (!filled_) {
        filled_ = true;
        ProgramIcon->setPixmap(forms::ArtworkPixmap(QStringLiteral(":/about.png"), devicePixelRatioF()));
        ProductName->adjustSize();
        Version->adjustSize();
    }
    QDialog::showEvent(event);
}

void TAboutBox::FormCreate()
{
    // 0x00DCFFD2 as the form stores it: blue 0xDC, green 0xFF, red 0xD2.
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(210, 255, 220));
    setPalette(background);
    setAutoFillBackground(true);
}
