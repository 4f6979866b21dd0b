#include "app/trans_form.h"

TTransForm* TransForm = nullptr;

TTransForm::TTransForm(QWidget* parent) : QDialog(parent) {}
