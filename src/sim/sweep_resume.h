// What an existing --csv file brings to a sweep: with --resume the rows to
// keep and the rows to extend, without it the check that only this sweep's
// own results are replaced.
#ifndef VOK_SIM_SWEEP_RESUME_H_
#define VOK_SIM_SWEEP_RESUME_H_

#include <optional>
#include <ostream>
#include <vector>

#include "sim/sweep_csv.h"
#include "sim/sweep_settings.h"

namespace vok::sim {

// Takes what the --csv file of `settings` brings to the sweep `table`
// describes: its finished rows go into `table`, the rows --resume extends
// into `extended`. Returns the exit code when the file must not be used (or
// replaced), with the reason on `err`.
std::optional<int> takeExistingCsv(const SweepSettings& settings, SweepTable& table,
                                   std::vector<SweepRow>& extended, std::ostream& err);

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_RESUME_H_
