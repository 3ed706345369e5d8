// The Python module kvxtheme._kvxtheme; kvxtheme/__init__.py re-exports it.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cerrno>
#include <filesystem>

#include "authoring/design_file.h"
#include "authoring/info_format.h"
#include "authoring/placeholder_texture.h"
#include "authoring/theme_info.h"
#include "authoring/theme_json.h"
#include "authoring/theme_packer.h"
#include "effect.h"
#include "frame_array.h"
#include "host/theme_file.h"
#include "kvxtheme/kvxtheme.h"

namespace py = pybind11;

namespace {

// A path argument (str, bytes or os.PathLike) as the file system's bytes: os.fsencode gives
// back the bytes of a name that did not decode. A NUL would cut the path short, so it is refused.
std::string pathText(const py::object& path, const char* argument) {
  py::object encoded;
  try {
    encoded = py::module_::import("os").attr("fsencode")(path);
  } catch (py::error_already_set& error) {
    if (!error.matches(PyExc_UnicodeError)) throw;
    throw py::value_error(std::string(argument) +
                          ": cannot be a file name: " + py::str(error.value()).cast<std::string>());
  }
  std::string bytes = encoded.cast<std::string>();
  if (bytes.find('\0') != std::string::npos)
    throw py::value_error(std::string(argument) + ": a path cannot hold a NUL character");
  return bytes;
}

// A path for a message or for Python: decoded as the file system does, with what does not
// decode kept as escapes.
py::str pathObject(const std::string& path) {
  return py::module_::import("os").attr("fsdecode")(py::bytes(path));
}

std::string shownPath(const std::string& path) {
  return pathObject(path).attr("encode")("utf-8", "backslashreplace").cast<std::string>();
}

[[noreturn]] void raiseOsError(int number, const std::string& message) {
  PyErr_SetObject(PyExc_OSError, py::make_tuple(number, message).ptr());
  throw py::error_already_set();
}

// A theme file that can be read, as an absolute path; OSError as the tool words it otherwise.
std::string checkedThemePath(const std::string& path) {
  const kvxhost::ThemeCheck check = kvxhost::checkThemeFile(path);
  switch (check.status) {
    case kvxhost::ThemeStatus::Ok:
      return check.path;
    case kvxhost::ThemeStatus::NotFound:
      raiseOsError(ENOENT, shownPath(path) + ": " + check.message);
    case kvxhost::ThemeStatus::Folder:
      raiseOsError(EISDIR, shownPath(path) + ": " + check.message);
    case kvxhost::ThemeStatus::Unreadable:
      raiseOsError(EACCES, shownPath(path) + ": " + check.message);
    case kvxhost::ThemeStatus::NotATheme:
    case kvxhost::ThemeStatus::OverBudget:
      break;
  }
  throw py::value_error(shownPath(path) + ": " + check.message);
}

class Theme {
 public:
  explicit Theme(const py::object& path)
      : path_(path.is_none() ? std::string() : checkedThemePath(pathText(path, "path"))) {}
  const std::string& path() const { return path_; }

  py::dict info() const {
    if (path_.empty()) throw py::value_error("the default page is not a theme file");
    kvxauthor::ThemeInfo info;
    std::string error;
    if (!kvxauthor::readThemeInfo(path_, &info, &error))
      throw py::value_error(path_ + ": " + error);
    const std::string json =
        kvxauthor::infoJson(info).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return py::module_::import("json").attr("loads")(json);
  }

 private:
  std::string path_;
};

std::string themePathOf(const py::object& theme) {
  if (theme.is_none()) return {};
  if (py::isinstance<Theme>(theme)) return theme.cast<const Theme&>().path();
  return checkedThemePath(pathText(theme, "theme"));
}

// A description (dict, or the path of a JSON file) or an SVG design packed into a theme file.
// What an SVG holds that a theme cannot carry as it is comes back as warnings.
void pack(const py::object& description, const py::object& path, const py::object& size) {
  const std::string output = pathText(path, "path");
  kvxauthor::DesignOptions options;
  if (!size.is_none()) {
    const auto pair = size.cast<std::pair<int, int>>();
    if (pair.first < 1 || pair.second < 1)
      throw py::value_error("size: the page's width and height must be positive");
    options.pageWidth = pair.first;
    options.pageHeight = pair.second;
  }
  std::string error;
  if (py::isinstance<py::dict>(description)) {
    if (!size.is_none()) throw py::value_error("size: a description gives its own page");
    kvxauthor::ThemeSpec model;
    const std::string text =
        py::str(py::module_::import("json").attr("dumps")(description)).cast<std::string>();
    if (!kvxauthor::parseThemeJson(text, std::filesystem::current_path(), &model, &error))
      throw py::value_error("theme description: " + error);
    if (!kvxauthor::packTheme(model, output, &error))
      throw py::value_error("theme description: " + error);
    return;
  }
  const std::string design = pathText(description, "description");
  std::error_code missing;
  if (!std::filesystem::is_regular_file(design, missing))
    raiseOsError(ENOENT, shownPath(design) + ": no such theme description or design");
  std::vector<std::string> notes;
  bool packed = false;
  {
    py::gil_scoped_release unlocked;
    packed = kvxauthor::packDesign(design, output, options, &notes, &error);
  }
  for (const std::string& note : notes)
    PyErr_WarnEx(PyExc_UserWarning, (shownPath(design) + ": " + note).c_str(), 1);
  if (!packed) throw py::value_error(shownPath(design) + ": " + error);
}

py::array texture(const py::object& path, bool rgb) {
  const std::string theme = checkedThemePath(pathText(path, "path"));
  kvxauthor::Texture picture;
  std::string error;
  if (!kvxauthor::fetchPlaceholderTexture(theme, &picture, &error)) throw py::value_error(error);
  py::array_t<uint8_t> array = kvxpy::newFrame(picture.width, picture.height);
  const size_t stride = static_cast<size_t>(picture.width) * 3;
  kvxpy::copyPixels(picture.rgb.data(), stride, array.mutable_data(), stride, picture.width,
                    picture.height, !rgb);
  return array;
}

}  // namespace

PYBIND11_MODULE(_kvxtheme, module) {
  module.doc() = "KVX theme effects over video frames held in numpy arrays";
  module.attr("__version__") = kvxthemeVersion();

  py::class_<Theme>(module, "Theme", "A theme file, or None for the default page.")
      .def(py::init<const py::object&>(), py::arg("path") = py::none())
      .def_property_readonly("path",
                             [](const Theme& theme) -> py::object {
                               if (theme.path().empty()) return py::none();
                               return pathObject(theme.path());
                             })
      .def("info", &Theme::info,
           "The page, groups, objects and streams, as `kvxtheme info --json`.")
      .def("__repr__", [](const Theme& theme) {
        return theme.path().empty()
                   ? std::string("Theme(None)")
                   : "Theme(" + py::repr(pathObject(theme.path())).cast<std::string>() + ")";
      });

  py::class_<kvxpy::Effect>(module, "Effect",
                            "The effect over frames of one size; a context manager that begins "
                            "and ends the clip.")
      .def(py::init([](const py::object& theme, int width, int height,
                       const std::string& fieldOrder, const py::object& texts) {
             return std::make_unique<kvxpy::Effect>(themePathOf(theme), width, height, fieldOrder,
                                                    kvxpy::textsFrom(texts));
           }),
           py::arg("theme"), py::arg("width"), py::arg("height"),
           py::arg("field_order") = "progressive", py::arg("texts") = py::none())
      .def("open", &kvxpy::Effect::open)
      .def("close", &kvxpy::Effect::close)
      .def(
          "__enter__",
          [](kvxpy::Effect& effect) -> kvxpy::Effect& {
            effect.open();
            return effect;
          },
          py::return_value_policy::reference)
      .def("__exit__", [](kvxpy::Effect& effect, py::args) { effect.close(); })
      .def_property_readonly("closed", [](const kvxpy::Effect& effect) { return !effect.isOpen(); })
      .def_property_readonly("width", &kvxpy::Effect::width)
      .def_property_readonly("height", &kvxpy::Effect::height)
      .def_property_readonly("field_order", &kvxpy::Effect::fieldOrder)
      .def("render", &kvxpy::Effect::render, py::arg("frame"), py::arg("index"),
           py::arg("texts") = py::none(), py::arg("out") = py::none(), py::arg("rgb") = false,
           "Composes frame `index` over `frame` (height × width × 3 uint8, BGR unless rgb) and "
           "returns the result, written into `out` when given.");

  module.def(
      "pack", &pack, py::arg("description"), py::arg("path"), py::arg("size") = py::none(),
      "Packs a theme description (a dict, or the path of a JSON file) or an SVG design\n"
      "(the path of a .svg file; `size` = (width, height) chooses its page in pixels) into a\n"
      "theme file. What the drawing holds that a theme cannot carry comes as warnings.");
  module.def("texture", &texture, py::arg("path"), py::arg("rgb") = false,
             "The placeholder picture of a theme file as a height × width × 3 uint8 array.");
}
