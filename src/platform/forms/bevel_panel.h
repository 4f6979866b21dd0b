#pragma once
// A panel with an outer and an inner bevel, each one pixel wide, raised or lowered.

#include <QFrame>

namespace forms {

class BevelPanel : public QFrame {
    Q_OBJECT
public:
    enum class Bevel { None, Raised, Lowered };

    explicit BevelPanel(QWidget* parent = nullptr);

    void setBevels(Bevel outer, Bevel inner);
    Bevel outerBevel() const { return outer_; }
    Bevel innerBevel() const { return inner_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Bevel outer_ = Bevel::Raised;
    Bevel inner_ = Bevel::None;
};

} // namespace forms
