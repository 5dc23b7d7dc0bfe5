// `vok-sim plot`: reading the inputs, choosing the figure, writing it.
#include "sim/plot_command.h"

#include <fmt/format.h>

#include <filesystem>
#include <memory>

#include "common/output_file.h"
#include "sim/comparison_plot.h"

namespace vok::sim {

int runPlot(const PlotSettings& settings, CommandStreams& streams) {
  const auto fail = [&](const std::string& message) {
    streams.err << "vok-sim plot: " << message << '\n';
    return kExitBadArguments;
  };
  if (!settings.labels.empty() && settings.labels.size() != settings.inputs.size()) {
    return fail("--labels: " + std::to_string(settings.labels.size()) + " labels for " +
                std::to_string(settings.inputs.size()) + " files");
  }
  std::string error;
  for (const std::string& input : settings.inputs) {
    if (sameExistingFile(settings.svg, input)) {
      return fail("--svg " + settings.svg + " is the input " + input + "; give another file");
    }
  }
  if (!checkWritable(settings.svg, error)) return fail("--svg: " + error);
  std::vector<LabelledSweep> sweeps;
  std::vector<LabelledIterations> iterations;
  for (std::size_t k = 0; k < settings.inputs.size(); ++k) {
    const std::string& path = settings.inputs[k];
    const std::string label =
        settings.labels.empty() ? std::filesystem::path(path).stem().string() : settings.labels[k];
    const std::optional<std::string> text = readWholeFile(path, error);
    if (!text) return fail(fmt::format("{}: {}", path, error));
    if (text->rfind("# vok-sim iterations ", 0) == 0) {
      std::optional<IterationTable> table = parseIterationsCsv(*text, error);
      if (!table) return fail(fmt::format("{}: {}", path, error));
      iterations.push_back({label, std::move(*table)});
    } else {
      std::optional<SweepTable> table = parseSweepCsv(*text, error);
      if (!table) {
        return fail(fmt::format("{}: {} (neither a sweep nor an iterations file)", path, error));
      }
      sweeps.push_back({label, std::move(*table)});
    }
  }
  if (!sweeps.empty() && !iterations.empty()) {
    return fail("sweep files and iterations files make different figures: plot them apart");
  }
  const std::string svg =
      sweeps.empty() ? renderConvergence(iterations) : renderSweepComparison(sweeps);
  if (!writeWholeFile(settings.svg, svg, error)) return fail("--svg: " + error);
  streams.out << "Plotted " << settings.inputs.size()
              << (sweeps.empty() ? " iterations file(s)" : " sweep file(s)") << " to "
              << settings.svg << '\n';
  return kExitOk;
}

void addPlotCommand(CommandRegistry& registry) {
  auto settings = std::make_shared<PlotSettings>();
  CLI::App& app =
      registry.add("plot",
                   "Several sweep files on one figure (with intervals and capacity limits), or the "
                   "convergence of decoding from iterations files, as SVG",
                   [settings](CommandStreams& streams) { return runPlot(*settings, streams); });
  app.add_option("files", settings->inputs, "Sweep files, or iterations files")->required();
  app.add_option("--svg", settings->svg, "Figure to write")->required();
  app.add_option("--labels", settings->labels,
                 "Legend labels, one per file, comma-separated (default: the file names)")
      ->delimiter(',');
}

}  // namespace vok::sim
