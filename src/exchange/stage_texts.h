#pragma once

namespace corvane {

// The texts of status.flag. The conduit acts on the four lower-case stages;
// it writes the error stages in capitals, which read back as nothing it acts on.
inline constexpr const char* kStage1 = "stage1 pda2pc";
inline constexpr const char* kStage2 = "stage2 waiting pc";
inline constexpr const char* kStage3 = "stage3 pc2pda";
inline constexpr const char* kStage4 = "stage4 alldone";
inline constexpr const char* kStage1Error = "stage1 ERROR";
inline constexpr const char* kStage3Error = "stage3 ERROR";

}  // namespace corvane
