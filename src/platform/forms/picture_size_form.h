#pragma once
// Asks for the new size of "Размер рисунка...": width and height in pixels or per cent of the
// present size, optionally keeping the proportions, and the resampling filter. A size out of
// range, or one too large for the picture-size rule, keeps the dialog open with a message.

#include <QDialog>
#include <QStringList>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TPictureSizeForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int MinPixels = 2;
    static constexpr int MaxPixels = 100000;
    static constexpr int MinPercent = 1;
    static constexpr int MaxPercent = 1000;

    struct Result {
        int width = 0;
        int height = 0;
        int filter = 0;
    };

    // width x height is the picture's present size; filters are offered in their order.
    TPictureSizeForm(int width, int height, const QStringList& filters, int defaultFilter, QWidget* parent = nullptr);

    // The size asked for in pixels, or the message saying what is wrong with it.
    std::optional<Result> Chosen(QString* problem = nullptr) const;

    static std::optional<Result> AskSize(QWidget* parent, int width, int height, const QStringList& filters,
                                         int defaultFilter);

    QLineEdit* WidthEdit = nullptr;
    QLineEdit* HeightEdit = nullptr;
    QComboBox* UnitsBox = nullptr; // 0: pixels, 1: per cent
    QCheckBox* KeepProportions = nullptr;
    QComboBox* FilterBox = nullptr;
    QLabel* NoteLabel = nullptr;
    QLabel* ErrorLabel = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

public slots:
    void accept() override;

private:
    bool inPercent() const;
    void unitsChanged();
    // Keeps the other side in proportion after the user typed into one.
    void sideEdited(bool widthEdited);

    int width_;
    int height_;
};
