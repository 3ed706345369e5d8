#include "kvxtheme/dialog_template.h"

void DialogResources::add(const std::string& name, DialogTemplate dialogTemplate) {
  templates_[name] = std::move(dialogTemplate);
}

const DialogTemplate* DialogResources::find(const char* name) const {
  if (!name) return nullptr;
  auto found = templates_.find(std::string_view(name));
  return found == templates_.end() ? nullptr : &found->second;
}
