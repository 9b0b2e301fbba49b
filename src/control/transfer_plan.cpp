#include "control/transfer_plan.h"

#include "export/cache_export.h"
#include "export/report_export.h"
#include "export/schema_export.h"
#include "import/cache_import.h"
#include "import/flights_import.h"
#include "import/flights_reset.h"
#include "import/version_import.h"

namespace corvane {

TransferPlan MakeTransferPlan(FrmMain& frm, HotSyncLink& link) {
  auto bind = [&frm, &link](const char* name, bool (*transfer)(FrmMain&, HotSyncLink&)) {
    return Transfer{name, [&frm, &link, transfer] { return transfer(frm, link); }};
  };
  TransferPlan plan;
  plan.import_phase = {bind("GetVesion", GetVesion),
                       bind("PDAtoPC_CorvaneCache", PDAtoPC_CorvaneCache),
                       bind("PDAtoPC_CorvaneDB", PDAtoPC_CorvaneDB)};
  // The report export runs first and last.
  plan.export_phase = {bind("PCtoPDA_CorvaneReport", PCtoPDA_CorvaneReport),
                       bind("PCtoPDA_CorvaneSchema", PCtoPDA_CorvaneSchema),
                       bind("PCtoPDA_CorvaneCache", PCtoPDA_CorvaneCache),
                       bind("PCtoPDA_CorvaneReport", PCtoPDA_CorvaneReport)};
  plan.reset = [&frm, &link] { return ResetPalmDB(frm, link); };
  return plan;
}

}  // namespace corvane
