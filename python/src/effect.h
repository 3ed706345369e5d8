#pragma once
// kvxtheme.Effect: one clip of the effect over frames of one size, driven by the reference host.
// Calls on one effect are serialised; the GIL is released while a frame is composed and while a
// call waits for its turn, so effects on several Python threads render at once and one effect
// may be shared between threads.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "host/reference_host.h"

namespace kvxpy {

namespace py = pybind11;

// Texts by the effect's key; "title", "description", "date" and "file_name" name the caption's
// four keys, any other key a text layer of that name.
using Texts = std::map<std::string, std::string>;
Texts textsFrom(const py::object& mapping);

class Effect {
 public:
  // `theme`: a theme path (str or path-like), a kvxtheme.Theme, or None for the default page.
  Effect(const std::string& themePath, int width, int height, const std::string& fieldOrder,
         Texts texts);
  ~Effect();

  // Begins the clip; a theme the effect refuses raises ValueError.
  void open();
  void close();
  bool isOpen() const { return open_; }

  py::array render(const py::array& frame, long long index, const py::object& texts,
                   const py::object& out, bool rgb);

  int width() const { return width_; }
  int height() const { return height_; }
  const std::string& themePath() const { return themePath_; }
  std::string fieldOrder() const;

 private:
  std::mutex lock_;
  kvxhost::ReferenceHost host_;
  std::string themePath_;
  int width_;
  int height_;
  kvxhost::FieldOrder order_;
  Texts clipTexts_;
  Texts frameTexts_;  // read by the text provider while a frame is composed
  bool open_ = false;
  std::vector<uint8_t> source_;
  std::vector<uint8_t> destination_;
};

}  // namespace kvxpy
