#pragma once

#include "chips/catalogue.h"
#include "operations/selection.h"
#include "files/files.h"
#include "icsp/icsp.h"
#include "images/images.h"
#include "images/views.h"
#include "link/link.h"
#include "log/clock.h"
#include "log/log.h"
#include "log/operator_dialogs.h"
#include "operations/device_operations.h"

namespace fw {

// Everything that lives from start-up to exit: built once by the program's
// entry point (GUI or terminal) and handed down by reference.
struct AppState {
  AppState(Clock& clock, Pause& pause, OperatorDialogs& dialogs, DeviceOpener opener)
      : dialogs(dialogs),
        log(clock),
        link(log, pause, std::move(opener)),
        icsp(link, chip, images, dialogs),
        workspace(chip, images, dialogs),
        selector(chip, chips, images, workspace, log, icsp),
        files(chip, images, workspace, log, dialogs),
        operations(chip, images, workspace, log, dialogs, icsp, calibration_record, clock) {}

  OperatorDialogs& dialogs;
  Log log;
  Link link;
  // The built-in chips and those of the user's chips file.
  ChipList chips;
  ChipRecord chip;
  Images images;
  Icsp icsp;
  Workspace workspace;
  ChipSelector selector;
  ImageFiles files;
  // Where every calibration read before an erase is kept; the program's
  // entry point names the file.
  CalibrationRecord calibration_record;
  DeviceOperations operations;
};

}  // namespace fw
