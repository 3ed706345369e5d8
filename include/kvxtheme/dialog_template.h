#pragma once
// Dialog templates: the windows and controls a dialog is created from. A host keeps its
// templates in a DialogResources object and hands it to CDialog::Create as the instance.
#include <map>
#include <string>
#include <vector>

#include "kvxtheme/export.h"

enum class ControlKind { Label, Edit, Button };

struct ControlTemplate {
  int id = 0;
  ControlKind kind = ControlKind::Label;
  std::string text;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct DialogTemplate {
  std::string title;
  int width = 0;
  int height = 0;
  std::vector<ControlTemplate> controls;
};

// The templates of one module, found by name.
class KVX_API DialogResources {
 public:
  void add(const std::string& name, DialogTemplate dialogTemplate);
  // The template with the name, or null.
  const DialogTemplate* find(const char* name) const;

 private:
  std::map<std::string, DialogTemplate, std::less<>> templates_;
};

// The module instance a dialog's template is taken from.
using HINSTANCE = const DialogResources*;
