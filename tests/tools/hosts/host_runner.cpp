#include "tools/hosts/host_runner.h"

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

namespace kvxtest {
namespace {

// Every host the tests start finds this build tree's tool, filter and sample themes.
const bool kEnvironmentSet = [] {
  setenv("KVX_BUILD_DIR", KVX_TOOLS_BUILD_DIR, 0);
  setenv("KVX_SOURCE_DIR", KVX_TOOLS_SOURCE_DIR, 0);
  setenv("FREI0R_PATH", KVX_TOOLS_BUILD_DIR "/frei0r-1", 1);
  // GStreamer's registry of the build tree's plug-ins, not the user's.
  setenv("GST_REGISTRY", KVX_TOOLS_BUILD_DIR "/gst-registry.bin", 1);
  return true;
}();

}  // namespace

RunResult run(const std::string& command) {
  RunResult result;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
  if (!pipe) return result;
  std::array<char, 4096> buffer;
  size_t read;
  while ((read = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
    result.output.append(buffer.data(), read);
  int status = pclose(pipe.release());
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool haveProgram(const std::string& name) {
  return run("command -v " + quote(name) + " >/dev/null").status == 0;
}

std::string quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

static std::string buildDir() {
  return KVX_TOOLS_BUILD_DIR;
}

std::string kvxthemeTool() {
  return buildDir() + "/kvxtheme";
}

std::vector<std::string> sampleThemes() {
  std::vector<std::string> themes;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(buildDir() + "/themes", error))
    if (entry.path().extension() == ".kvx") themes.push_back(entry.path().string());
  std::sort(themes.begin(), themes.end());
  return themes;
}

std::map<std::string, std::string> probe(const std::string& file) {
  std::map<std::string, std::string> values;
  RunResult video =
      run("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
          "stream=width,height,r_frame_rate,nb_read_frames,pix_fmt,color_range,color_space,"
          "color_primaries,color_transfer,field_order,bit_rate -of default=nw=1 " +
          quote(file));
  std::istringstream lines(video.output);
  for (std::string line; std::getline(lines, line);) {
    size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  RunResult audio = run(
      "ffprobe -v error -select_streams a -show_entries stream=index -of csv=p=0 " + quote(file));
  values["audio_streams"] =
      std::to_string(std::count(audio.output.begin(), audio.output.end(), '\n'));
  return values;
}

double meanDifference(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1) {
  double sum = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0 * a.channels; x < x1 * a.channels; ++x)
      sum += std::abs(a.row(y)[x] - b.row(y)[x]);
  return sum / ((x1 - x0) * (y1 - y0) * a.channels);
}

}  // namespace kvxtest
