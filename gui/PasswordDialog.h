#pragma once

#include <QString>

#include "UserDialogs.h"

class QWidget;

// The password dialog: the request's text naming the file, the retry text
// when there is one, a masked field "PasswordEdit" and the buttons OK and
// Cancel; OK stays disabled while the field is empty. True when the user
// confirmed, with the field's text in `password`.
bool RunPasswordDialog(QWidget* owner, const PasswordRequest& request, QString& password);
