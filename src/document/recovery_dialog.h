#pragma once
// The dialog that offers pictures left unsaved by a run that ended without closing them, and
// the start-up step that shows it and acts on the answer.

#include "document/recovery_store.h"

#include <QDialog>

#include <vector>

class QLabel;
class QListWidget;
class QMdiArea;
class QPushButton;

class TRecoveryForm : public QDialog {
    Q_OBJECT
public:
    // What the answer does with every journal listed.
    enum Answer { Restore = 1, Delete = 2, Later = 3 };

    explicit TRecoveryForm(const std::vector<recovery::RecoveredPicture>& pictures, QWidget* parent = nullptr);

    QLabel* Caption = nullptr;
    QListWidget* PictureList = nullptr;
    QPushButton* RestoreBtn = nullptr;
    QPushButton* DeleteBtn = nullptr;
    QPushButton* LaterBtn = nullptr;

    // One line of the list: the file name or "Без имени", the size and the time of the last change.
    static QString DescribePicture(const recovery::RecoveredPicture& picture);
};

namespace recovery {

// At start: when journals of runs that are gone exist, asks what to do with them and does it.
// Restored pictures open in windows of their own in frameArea. Returns the windows restored.
int OfferRecovery(QMdiArea* frameArea);

} // namespace recovery
