#include "app/image_form.h"

#include <QFileInfo>
#include <QPixmap>
#include <QResizeEvent>

#include "chips/pinouts.h"

QString MissingPictureText(const QString& picture) {
  return QString(
             "The connection diagram cannot be shown: %1 was not found.\n"
             "Connect the chip by the In-Circuit Serial Programming section of its datasheet,\n"
             "or install the complete Flashwright package, which has the pictures,\n"
             "as the Flashwright README says.")
      .arg(picture);
}

TImageForm::TImageForm(const fw::ChipRecord& chip, const QString& program_dir, const QString& data_dir,
                       Say say, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName("ImageForm");
  setWindowTitle("GX-0450 Connection (image is resizeble, just pull it for any corner)");
  setModal(true);
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setScaledContents(true);
  Image1->setGeometry(0, 0, 512, 384);
  resize(520, 418);
  if (chip.ChipIdWord == 0) return;
  const QString picture = QString::fromStdString(chip.PictureFile);
  for (const std::string& place :
       fw::PictureLocations(chip.PictureFile, program_dir.toStdString(), data_dir.toStdString())) {
    // The picture as named, or as PNG beside it where this Qt reads no JPEG
    // (the Windows build ships them so).
    const QString path = QString::fromStdString(place);
    for (const QString& candidate : {path, path.left(path.lastIndexOf('.')) + ".png"}) {
      QPixmap pixmap;
      if (QFileInfo(candidate).isFile() && pixmap.load(candidate)) {
        Image1->setPixmap(pixmap);
        shown_file = candidate;
        return;
      }
    }
  }
  if (say) say("Error", MissingPictureText(picture));
  Image1->clear();
}

void TImageForm::FormResize() { Image1->setGeometry(0, 0, width(), height()); }

void TImageForm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FormResize();
}
