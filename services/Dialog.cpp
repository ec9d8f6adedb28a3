#include "Dialog.h"

Dialog::Dialog(QWidget* parent) : QDialog(parent) {}
