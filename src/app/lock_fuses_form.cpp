#include "app/lock_fuses_form.h"

#include <QFont>
#include <QVBoxLayout>

namespace {

constexpr int kGroupWidth = 105, kGroupSpacing = 112, kBoxSpacing = 16, kBoxTop = 20;
constexpr int kGroupHeight = kBoxTop + 8 * kBoxSpacing + 6;

}  // namespace

TLockFusesForm::TLockFusesForm(fw::AppState& state, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), state_(state) {
  setObjectName("LockFusesForm");
  setWindowTitle("Configuration Word");
  setModal(true);
  model_ = fw::BuildConfigDialog(state_.chip, state_.images);

  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  int shown_groups = 0;
  for (int g = 0; g < 4; ++g) {
    auto* group = new QGroupBox(QString("Byte %1").arg(g), Panel1);
    group->setObjectName(QString("GroupBox%1").arg(g + 1));
    group->setGeometry(8 + g * kGroupSpacing, 4, kGroupWidth, kGroupHeight);
    GroupBoxes[static_cast<std::size_t>(g)] = group;
    for (int b = 0; b < 8; ++b) {
      const int k = g * 8 + b;  // box k is bit k % 16 of word k / 16
      auto* box = new QCheckBox(QString("Bit %1").arg(b), group);
      box->setObjectName(QString("CheckBox%1").arg(k + 1));
      box->setGeometry(8, kBoxTop + (7 - b) * kBoxSpacing, kGroupWidth - 12, kBoxSpacing);
      CheckBoxes[static_cast<std::size_t>(k)] = box;
      const fw::ConfigDialog::Box& m = model_.boxes[static_cast<std::size_t>(k)];
      box->setVisible(m.shown);
      if (m.shown) {
        box->setText(QString::fromStdString(m.caption));
        box->setToolTip(QString::fromStdString(m.tooltip));
        box->setChecked(m.checked);
      }
    }
    const std::string& caption = model_.group_captions[static_cast<std::size_t>(g)];
    group->setVisible(!caption.empty());
    if (!caption.empty()) {
      group->setTitle(QString::fromStdString(caption));
      ++shown_groups;
    }
  }
  const int groups_width = shown_groups == 0 ? 0 : 8 + (shown_groups - 1) * kGroupSpacing + kGroupWidth;
  Label1 = new QLabel("bit = 0 if checked, 1 if unchecked", Panel1);
  Label1->setObjectName("Label1");
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  const int label_top = shown_groups == 0 ? 4 : kGroupHeight + 10;
  Label1->move(8, label_top);
  Label1->adjustSize();
  Panel1->setFixedSize(std::max({groups_width + 8, Label1->width() + 16, model_.button_width}),
                       label_top + Label1->height() + 8);

  OKButton = new QPushButton("Save changes && close", this);
  OKButton->setObjectName("OKButton");
  OKButton->setFixedWidth(model_.button_width);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &TLockFusesForm::OKButtonClick);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Panel1);
  layout->addWidget(OKButton, 0, Qt::AlignLeft);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TLockFusesForm::OKButtonClick() {
  for (std::size_t k = 0; k < CheckBoxes.size(); ++k) model_.boxes[k].checked = CheckBoxes[k]->isChecked();
  fw::StoreConfigDialog(model_, state_.images, state_.workspace);
  accept();
}
