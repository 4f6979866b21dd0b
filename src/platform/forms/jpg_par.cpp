#include "platform/forms/jpg_par.h"

#include "platform/forms/named_widget.h"

#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QSlider>

TJPGPar* JPGPar = nullptr;

using forms::named;

TJPGPar::TJPGPar(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("JPGPar"));
    setWindowTitle(QStringLiteral("Параметры формата JPEG"));
    setAccessibleName(windowTitle());
    setFixedSize(ClientWidth, ClientHeight);
    QPalette background = palette();
    background.setColor(QPalette::Window, palette().color(QPalette::Highlight));
    setPalette(background);
    setAutoFillBackground(true);

    Qual = named(new QLabel(QStringLiteral("Качество:"), this), QStringLiteral("Qual"), QStringLiteral("Качество:"));
    QFont labelFont(QStringLiteral("Trebuchet MS"));
    labelFont.setPixelSize(23);
    Qual->setFont(labelFont);
    Qual->move(16, 12);
    Qual->adjustSize();

    Sszatie = named(new QSlider(Qt::Horizontal, this), QStringLiteral("Sszatie"), QStringLiteral("Качество:"));
    Sszatie->setGeometry(16, 56, ClientWidth - 32, 45);
    Sszatie->setRange(1, 200);
    Sszatie->setValue(InitialQuality);
    Sszatie->setTickPosition(QSlider::TicksBelow);
    Sszatie->setTickInterval(10);
    Sszatie->setPageStep(10);

    YES1 = named(new QPushButton(QStringLiteral("Да"), this), QStringLiteral("YES1"), QStringLiteral("Да"));
    YES1->setGeometry((ClientWidth - 97) / 2, 124, 97, 41);
    YES1->setDefault(true);
    connect(YES1, &QPushButton::clicked, this, &QDialog::accept);
}
