#include "platform/forms/jpg_par.h"

TJPGPar* JPGPar = nullptr;

TJPGPar::TJPGPar(QWidget* parent) : QDialog(parent) {}
