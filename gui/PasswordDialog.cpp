#include "PasswordDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "GuiStrings.h"

namespace {

// Wide enough for a path of common length on one or two lines.
constexpr int kTextWidth = 360;

QLabel* WrappedLabel(QDialog& dialog, const QString& text, const QString& name) {
  auto* label = new QLabel(text, &dialog);
  label->setObjectName(name);
  label->setWordWrap(true);
  label->setTextFormat(Qt::PlainText);  // a file name is never markup
  label->setMinimumWidth(kTextWidth);
  return label;
}

QHBoxLayout* PasswordBody(QDialog& dialog, const PasswordRequest& request) {
  auto* icon = new QLabel(&dialog);
  const int size = dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &dialog);
  const auto kind = request.retryText.isEmpty() ? QStyle::SP_MessageBoxQuestion : QStyle::SP_MessageBoxWarning;
  icon->setPixmap(dialog.style()->standardIcon(kind).pixmap(size));
  auto* texts = new QVBoxLayout;
  texts->addWidget(WrappedLabel(dialog, request.text, QStringLiteral("PromptLabel")));
  if (!request.retryText.isEmpty()) {
    texts->addWidget(WrappedLabel(dialog, request.retryText, QStringLiteral("RetryLabel")));
  }
  auto* body = new QHBoxLayout;
  body->addWidget(icon, 0, Qt::AlignTop);
  body->addLayout(texts, 1);
  return body;
}

}  // namespace

bool RunPasswordDialog(QWidget* owner, const PasswordRequest& request, QString& password) {
  QDialog dialog(owner);
  dialog.setWindowTitle(request.caption);
  auto* field = new QLineEdit(&dialog);
  field->setObjectName(QStringLiteral("PasswordEdit"));
  field->setEchoMode(QLineEdit::Password);
  auto* fieldLabel = new QLabel(GuiString(idsPasswordField), &dialog);
  fieldLabel->setBuddy(field);
  auto* fieldRow = new QHBoxLayout;
  fieldRow->addWidget(fieldLabel);
  fieldRow->addWidget(field, 1);

  auto* buttons = new QDialogButtonBox(&dialog);
  QPushButton* ok = buttons->addButton(GuiString(idsButtonOk), QDialogButtonBox::AcceptRole);
  buttons->addButton(GuiString(idsButtonCancel), QDialogButtonBox::RejectRole);
  ok->setDefault(true);
  ok->setEnabled(false);
  QObject::connect(field, &QLineEdit::textChanged, ok, [ok](const QString& text) { ok->setEnabled(!text.isEmpty()); });
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(PasswordBody(dialog, request));
  layout->addLayout(fieldRow);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  field->setFocus();
  const bool confirmed = dialog.exec() == QDialog::Accepted && !field->text().isEmpty();
  if (confirmed) password = field->text();
  field->clear();
  return confirmed;
}
