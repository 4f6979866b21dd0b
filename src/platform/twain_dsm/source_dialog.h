#pragma once
// The source's own small window: the device, its mode and resolution, "Сканировать", and the
// progress of the page being read. Modeless: the program's nested loop keeps it working.

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class SaneDevice;

class SourceDialog : public QDialog {
public:
    // scan is called with the mode and resolution chosen; closed when the user closes the window.
    SourceDialog(SaneDevice& device, std::function<void()> scan, std::function<void()> closed);

    void ShowProgress(int percent);
    // While the device reads, the choices and the button wait.
    void SetBusy(bool busy);
    void ShowError(const QString& text);

    QComboBox* ModeBox = nullptr;
    QComboBox* ResolutionBox = nullptr;
    QPushButton* ScanButton = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    SaneDevice& device_;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    std::function<void()> closed_;
};
