#include "app/new_bmp_form.h"

TNewBMPForm* NewBMPForm = nullptr;

TNewBMPForm::TNewBMPForm(QWidget* parent) : QDialog(parent) {}
