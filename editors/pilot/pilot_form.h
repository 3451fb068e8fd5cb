#pragma once
#include "ui/record_form.h"

#include <QLineEdit>

#include <vector>

namespace rt {
// Pilot: stats, spirit commands, flags and personality of each pilot.
class PilotForm : public RecordForm {
  Q_OBJECT
 public:
  explicit PilotForm(AppContext& context);

 protected:
  bool loadLists() override;

 private:
  // nameT(0)..nameT(18): captions of SpAP(0..2), PSpA(0..7) and PSpB(0..7),
  // filled from "name_pilot.txt" and never written to the image.
  std::vector<QLineEdit*> captionBoxes_;
};
}  // namespace rt
