#include "control/launch_gates.h"

#include "control/closing.h"
#include "exchange/stage_texts.h"
#include "handheld/hotsync_link.h"
#include "handheld/sync_library.h"
#include "support/conduit_error.h"
#include "support/conduit_log.h"

namespace corvane {
namespace {

MessageAnswer Ask(FrmMain& frm, const std::string& text, MessageButtons buttons) {
  return frm.window.ShowMessage(text, kApplicationTitle, buttons);
}

}  // namespace

void HotSyncGate(FrmMain& frm, HotSyncLink& link) {
  Log(frm, "check palm if hotsync is running", 5);
  Log(frm, "creating New PDHotSyncUtility", 5);
  bool in_progress = false;
  try {
    in_progress = PDHotSyncUtility(link).IsSyncInProgress();
  } catch (const std::exception& e) {
    Log(frm, "Form_Activate: IsSyncInProgress failed, " + ErrorText(e), 5);
    Ask(frm, "Internal error: Cannot create HotSync link", MessageButtons::kOk);
    CloseMainWindow(frm, link, kExitEnded);
  }
  if (in_progress) {
    Log(frm, "Hotsync sync process is running", 5);
    frm.window.SetTimerEnabled(true);
    return;
  }
  Log(frm, "HotSync is not running sync process...", 1);
  // "dected", the three spaces and the trailing space: the box's own text,
  // which users know; it stays as it is.
  Ask(frm,
      "Sorry - I could not dected that Palm HotSync is running (and synchronizing).   Please "
      "ensure that Palm Hotsync is running when you attempt to perform synchronization. \r\n"
      "(Corvane Sync will not continue).",
      MessageButtons::kOk);
  CloseMainWindow(frm, link, kExitEnded);
}

void ExitClicked(FrmMain& frm, HotSyncLink& link) {
  if (frm.lastStatus == kStage4) CloseMainWindow(frm, link, kExitEnded);
  frm.window.SetTimerEnabled(false);
  // "want ou exit" and "untill" below: the questions as users know them.
  MessageAnswer answer = Ask(frm,
                             "Are you sure you want ou exit? Synchronisation is in the process "
                             "now.\r\nPress Yes to exit or No to continue synchronisation",
                             MessageButtons::kYesNo);
  if (answer == MessageAnswer::kYes) CloseMainWindow(frm, link, kExitEnded);
  frm.window.SetTimerEnabled(true);
}

void Ask2Exit(FrmMain& frm, HotSyncLink& link) {
  MessageAnswer answer = Ask(frm,
                             "Hotsynch will not continue untill you exit conduit.\r\nDo you "
                             "want to exit now?",
                             MessageButtons::kYesNo);
  if (answer == MessageAnswer::kYes) CloseMainWindow(frm, link, kExitEnded);
}

}  // namespace corvane
