#include "document/up_down.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

TUpDown::TUpDown(QWidget* parent) : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* button : {up_, down_}) {
        button->setArrowType(button == up_ ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(16, 11);
        button->setIconSize(QSize(7, 5));
        button->setObjectName(button == up_ ? QStringLiteral("Up") : QStringLiteral("Down"));
        button->setAccessibleName(button == up_ ? QStringLiteral("Больше") : QStringLiteral("Меньше"));
        layout->addWidget(button);
    }
    connect(up_, &QToolButton::clicked, this, [this] { StepUp(); });
    connect(down_, &QToolButton::clicked, this, [this] { StepDown(); });
    setFixedSize(16, 22);
}

void TUpDown::SetBuddy(QLineEdit* buddy)
{
    buddy_ = buddy;
    if (!buddy_)
        return;
    buddy_->setText(QString::number(position_));
    // A number in range typed into the buddy becomes the position; anything else leaves the
    // position it had, which is what the up-down reports then.
    connect(buddy_, &QLineEdit::textChanged, this, [this] { position_ = Position(); });
}

void TUpDown::SetRange(int min, int max)
{
    min_ = min;
    max_ = max;
    position_ = std::clamp(position_, std::min(min_, max_), std::max(min_, max_));
}

int TUpDown::Position() const
{
    if (buddy_) {
        bool ok = false;
        const int typed = buddy_->text().trimmed().toInt(&ok);
        if (ok && typed >= std::min(min_, max_) && typed <= std::max(min_, max_))
            return typed;
    }
    return position_;
}

void TUpDown::SetPosition(int value)
{
    position_ = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
    if (buddy_ && buddy_->text() != QString::number(position_))
        buddy_->setText(QString::number(position_));
}

void TUpDown::step(int delta)
{
    // No wrap: the ends hold.
    SetPosition(Position() + delta);
}
