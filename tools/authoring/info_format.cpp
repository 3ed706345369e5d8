#include "info_format.h"

#include <cstdio>
#include <sstream>

namespace kvxauthor {

namespace {

const char* alignmentName(int32_t alignment) {
  switch (alignment) {
    case 0:
      return "left";
    case 1:
      return "right";
    case 2:
      return "center";
  }
  return "unknown";
}

// A string as a JSON literal, so that control characters and quotes stay readable.
std::string quoted(const std::string& text) {
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string pictureText(const PictureInfo& p) {
  std::ostringstream out;
  out << p.width << " x " << p.height << ", " << p.bits << "-bit, ";
  if (p.oneColour) {
    out << "one colour " << (p.bits == 24 ? colourText(p.colour) : std::to_string(p.colour & 0xFF));
  } else {
    out << p.storedBytes << " bytes compressed";
  }
  return out.str();
}

void objectText(std::ostream& out, size_t index, const ObjectInfo& o) {
  out << "  [" << index << "] " << quoted(o.name) << " " << o.kind << " at " << o.x << ", " << o.y
      << " size " << o.width << " x " << o.height << "\n";
  out << "      transparency " << o.transparency << ", merge mode " << o.mergeMode;
  if (o.flags & 1) out << ", hidden";
  if (!o.groups.empty()) {
    out << ", groups";
    for (int32_t id : o.groups) out << " " << id;
  }
  out << "\n";
  if (!o.recordText.empty()) out << "      text " << quoted(o.recordText) << "\n";
  if (o.picture) out << "      picture " << pictureText(*o.picture) << "\n";
  if (o.mask)
    out << "      mask " << pictureText(*o.mask) << " at " << o.maskRect[0] << ", " << o.maskRect[1]
        << "\n";
  if (o.shadow) {
    const RecordShadowInfo& s = *o.shadow;
    out << "      shadow " << (s.on ? "on" : "off") << ": kind " << s.params[0] << ", offset "
        << s.params[1] << ", " << s.params[2] << ", opacity " << s.params[3] << ", blur "
        << s.params[4] << ", transparency " << s.transparency << ", colour " << colourText(s.colour)
        << "\n";
  }
  if (o.render) {
    const RenderInfo& r = *o.render;
    if (r.text) {
      out << "      string " << quoted(r.string) << ", font " << quoted(r.fontFace) << " "
          << r.fontSize << " px weight " << r.fontWeight << (r.italic ? " italic" : "")
          << (r.underline ? " underline" : "") << ", align " << alignmentName(r.alignment);
    } else {
      out << "      path of " << r.path.commands.size() << " commands";
    }
    out << ", colour " << colourText(r.colour) << " opacity " << r.opacity
        << (r.shadow.has_value() ? ", with shadow" : "") << "\n";
  }
  if (o.component) {
    const ComponentInfo& c = *o.component;
    out << "      component: transform kind " << c.transformKind;
    if (c.transformKind != 0) {
      out << " corners";
      for (int i = 0; i < 4; ++i)
        out << " (" << c.corners[2 * i] << ", " << c.corners[2 * i + 1] << ")";
    }
    out << ", stretch " << c.stretch[0] << " " << c.stretch[1] << " " << c.stretch[2] << " "
        << c.stretch[3] << ", resize " << c.resize[0] << " " << c.resize[1] << ", 3-D "
        << c.threeD[0] << " " << c.threeD[1] << (c.path.has_value() ? ", with vector path" : "")
        << "\n";
  }
  if (!o.hyperlink.empty()) {
    out << "      hyperlink";
    for (const std::string& s : o.hyperlink) out << " " << quoted(s);
    out << "\n";
  }
  out << "      streams:";
  if (o.streams.empty()) out << " none";
  for (const StreamInfo& s : o.streams) out << " " << s.name << " (" << s.size << " bytes)";
  out << "\n";
}

nlohmann::json pictureJson(const PictureInfo& p) {
  nlohmann::json out = {{"width", p.width}, {"height", p.height}, {"bits", p.bits}};
  if (p.oneColour) {
    out["colour"] =
        p.bits == 24 ? nlohmann::json(colourText(p.colour)) : nlohmann::json(p.colour & 0xFF);
  } else {
    out["compressedBytes"] = p.storedBytes;
  }
  return out;
}

nlohmann::json objectJson(const ObjectInfo& o) {
  nlohmann::json out = {{"name", o.name},
                        {"type", o.kind},
                        {"x", o.x},
                        {"y", o.y},
                        {"width", o.width},
                        {"height", o.height},
                        {"hidden", (o.flags & 1) != 0},
                        {"flags", o.flags},
                        {"transparency", o.transparency},
                        {"mergeMode", o.mergeMode},
                        {"groups", o.groups},
                        {"linkText", o.recordText},
                        {"maskRect", o.maskRect}};
  if (o.picture) out["picture"] = pictureJson(*o.picture);
  if (o.mask) out["mask"] = pictureJson(*o.mask);
  if (o.shadow) {
    const RecordShadowInfo& s = *o.shadow;
    out["recordShadow"] = {{"on", s.on},
                           {"kind", s.params[0]},
                           {"x", s.params[1]},
                           {"y", s.params[2]},
                           {"opacity", s.params[3]},
                           {"blur", s.params[4]},
                           {"transparency", s.transparency},
                           {"color", colourText(s.colour)}};
  }
  if (o.render) {
    const RenderInfo& r = *o.render;
    nlohmann::json render = {
        {"color", colourText(r.colour)}, {"opacity", r.opacity}, {"shadow", r.shadow.has_value()}};
    if (r.text) {
      render["string"] = r.string;
      render["font"] = {{"face", r.fontFace},
                        {"size", r.fontSize},
                        {"weight", r.fontWeight},
                        {"italic", r.italic},
                        {"underline", r.underline}};
      render["align"] = alignmentName(r.alignment);
    } else {
      render["commands"] = r.path.commands.size();
    }
    out["render"] = render;
  }
  if (o.component) {
    const ComponentInfo& c = *o.component;
    nlohmann::json component = {{"transformKind", c.transformKind},
                                {"stretch", c.stretch},
                                {"resize", c.resize},
                                {"threeD", c.threeD},
                                {"path", c.path.has_value()}};
    if (c.transformKind != 0) {
      const char* names[] = {"topLeft", "topRight", "bottomLeft", "bottomRight"};
      for (int i = 0; i < 4; ++i) component[names[i]] = {c.corners[2 * i], c.corners[2 * i + 1]};
    }
    out["component"] = component;
  }
  if (!o.hyperlink.empty()) out["hyperlink"] = o.hyperlink;
  nlohmann::json streams = nlohmann::json::array();
  for (const StreamInfo& s : o.streams) streams.push_back({{"name", s.name}, {"size", s.size}});
  out["streams"] = streams;
  return out;
}

}  // namespace

std::string colourText(uint32_t colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF,
                (colour >> 16) & 0xFF);
  return text;
}

std::string infoText(const ThemeInfo& info) {
  std::ostringstream out;
  out << "page " << info.pageWidth << " x " << info.pageHeight << ", version " << info.version
      << ", pixel format " << info.pixelFormat << " (" << info.bitsPerPixel << "-bit), render flag "
      << info.pageRenderFlag << "\n";
  if (!info.hasGroupBlock) {
    out << "groups: none stored\n";
  } else {
    out << "groups: " << info.groups.size() << " in the "
        << (info.extendedGroups
                ? "extended form (stored count " + std::to_string(info.storedGroupCount) + ")"
                : std::string("plain form"))
        << ", " << info.groupBlockSize << " bytes\n";
    for (const GroupInfo& g : info.groups) {
      out << "  " << g.id << " " << quoted(g.name);
      if (info.extendedGroups)
        for (const std::string& t : g.texts) out << " " << quoted(t);
      out << "\n";
    }
  }
  out << "objects: " << info.objects.size() << "\n";
  for (size_t i = 0; i < info.objects.size(); ++i) objectText(out, i, info.objects[i]);
  return out.str();
}

nlohmann::json infoJson(const ThemeInfo& info) {
  nlohmann::json groups = nlohmann::json::array();
  for (const GroupInfo& g : info.groups) {
    nlohmann::json group = {{"id", g.id}, {"name", g.name}};
    if (info.extendedGroups) group["texts"] = g.texts;
    groups.push_back(group);
  }
  nlohmann::json objects = nlohmann::json::array();
  for (const ObjectInfo& o : info.objects) objects.push_back(objectJson(o));
  nlohmann::json out = {{"page",
                         {{"width", info.pageWidth},
                          {"height", info.pageHeight},
                          {"renderFlag", info.pageRenderFlag}}},
                        {"version", info.version},
                        {"pixelFormat", info.pixelFormat},
                        {"bitsPerPixel", info.bitsPerPixel},
                        {"objects", objects}};
  if (info.hasGroupBlock) {
    out["groups"] = {{"form", info.extendedGroups ? "extended" : "plain"},
                     {"entries", groups},
                     {"blockBytes", info.groupBlockSize}};
    if (info.extendedGroups) out["groups"]["count"] = info.storedGroupCount;
  }
  return out;
}

}  // namespace kvxauthor
