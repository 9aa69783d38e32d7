// The meter's side of handing the counting over to the companion service and
// taking it back (the rules are in engine/handover).
#include <windows.h>

#include "app/meter_dlg.h"
#include "engine/handover.h"

void CMeterDlg::HandCountingToService() {
  if (env_.registry) {
    HandCountingOver(tick_, catalogue_, env_.adapters, *env_.clock, *env_.registry, env_.registryRoot,
                     HandOverFrom::Meter, *this);
  } else {
    tick_.WriteTodayRecords();
  }
}

void CMeterDlg::TakeCountingBack(HandOverFrom from) {
  if (env_.registry) {
    TakeCountingOver(catalogue_, env_.adapters, *env_.clock, *env_.registry, env_.registryRoot, from);
  } else {
    DropBaselines(catalogue_);
  }
}
