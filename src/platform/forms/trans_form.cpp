#include "platform/forms/trans_form.h"

TTransForm* TransForm = nullptr;

TTransForm::TTransForm(QWidget* parent) : QDialog(parent) {}
