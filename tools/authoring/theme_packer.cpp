#include "theme_packer.h"

#include "kvxtheme/kvx_format.h"
#include "kvxtheme/kvx_group_block.h"
#include "picture_source.h"
#include "render_builder.h"

namespace kvxauthor {

namespace {

constexpr uint16_t kGroupListVersion = 500;

bool refuse(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

std::vector<uint8_t> hyperlinkStream(const std::vector<std::string>& strings) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < 4; ++i) {
    if (i < strings.size()) bytes.insert(bytes.end(), strings[i].begin(), strings[i].end());
    bytes.push_back(0);
  }
  return bytes;
}

std::vector<uint8_t> cutBorderStream(const std::array<int32_t, 4>& border) {
  std::vector<uint8_t> bytes(16);
  for (size_t i = 0; i < 4; ++i)
    for (size_t b = 0; b < 4; ++b)
      bytes[4 * i + b] = static_cast<uint8_t>(static_cast<uint32_t>(border[i]) >> (8 * b));
  return bytes;
}

kvx::KvxObjectRecord commonRecord(const ObjectSpec& object, uint16_t version) {
  kvx::KvxObjectRecord record;
  record.setName(object.name);
  record.setText(object.linkText);
  record.setTransparency(object.transparency);
  record.setMergeMode(object.mergeMode);
  record.setFlags(object.hidden ? 1 : 0);
  if (version < kGroupListVersion) {
    if (!object.groups.empty()) record.setLegacyGroupId(object.groups[0]);
  } else {
    for (size_t i = 0; i < object.groups.size(); ++i) record.setGroupId(i, object.groups[i]);
  }
  if (object.shadow) {
    const ShadowSpec& s = *object.shadow;
    record.setShadow(s.enabled ? 1 : 0, {s.kind, s.offsetX, s.offsetY, s.opacity, s.blur},
                     s.transparency, s.color);
  }
  return record;
}

// The page position of a rendering whose anchor the description gives: the left edge, the
// right edge or the centre, by the text's alignment.
int32_t leftOfRendering(const ObjectSpec& object, int width) {
  if (object.type != ObjectType::Text) return object.x;
  switch (object.text.align) {
    case Alignment::Right:
      return object.x - width;
    case Alignment::Center:
      return object.x - width / 2;
    case Alignment::Left:
      break;
  }
  return object.x;
}

bool addPictureObject(const ObjectSpec& object, int bits, uint16_t version,
                      const std::string& field, kvx::KvxWriter* writer, std::string* error) {
  ObjectPictures pictures;
  if (!loadPictureObject(object, bits, field, &pictures, error)) return false;
  kvx::KvxObjectRecord record = commonRecord(object, version);
  record.setRect(object.x, object.y, pictures.width, pictures.height);
  if (pictures.mask) record.setMaskRect(object.x, object.y, pictures.width, pictures.height);
  kvx::KvxWriterObject& entry = writer->addObject(record);
  entry.setPicture(std::move(pictures.colour));
  if (pictures.mask) entry.setMask(std::move(*pictures.mask));
  if (!object.hyperlink.empty())
    entry.addStream(u"ObjHyperLinkStream", hyperlinkStream(object.hyperlink));
  return true;
}

bool addRenderedObject(const ObjectSpec& object, int bits, uint16_t version,
                       const std::string& field, kvx::KvxWriter* writer, std::string* error) {
  const bool text = object.type == ObjectType::Text;
  if (object.width || object.height)
    return refuse(error, field + (object.width ? ".width" : ".height") +
                             ": text and path objects take the size of their rendering");
  std::string why;
  RenderObjectHandle render(createRenderObject(object, &why));
  if (!render.get()) return refuse(error, field + "." + why);
  std::vector<uint8_t> serialized;
  if (!qrFlattenObject(render.get(), &serialized))
    return refuse(error, field + ": the render object could not be serialized");
  if (object.component && !applyComponent(render.get(), *object.component, &why))
    return refuse(error, field + "." + why);
  Rendering rendering;
  if (!renderObject(render.get(), &rendering, &why)) return refuse(error, field + ": " + why);

  const int32_t left = leftOfRendering(object, rendering.width);
  kvx::KvxObjectRecord record = commonRecord(object, version);
  record.setRect(left, object.y, rendering.width, rendering.height);
  record.setMaskRect(left, object.y, rendering.width, rendering.height);
  kvx::KvxWriterObject& entry = writer->addObject(record);
  entry.setPicture(pictureFromRgb(rendering.width, rendering.height, bits, rendering.rgb));
  entry.setMask(kvx::KvxPicture::fromRows(rendering.width, rendering.height, 8, rendering.mask));
  entry.addStream(text ? u"TextStream" : u"PathStream", std::move(serialized));
  if (object.component) {
    if (object.component->cutBorder)
      entry.addStream(u"PathCutBorderStream", cutBorderStream(*object.component->cutBorder));
    const int32_t bounds[4] = {left, object.y, left + rendering.width, object.y + rendering.height};
    entry.addStream(u"ComponentObjectStream",
                    componentStream(*object.component, text ? object.text.font.size : 0, bounds));
  }
  if (!object.hyperlink.empty())
    entry.addStream(u"ObjHyperLinkStream", hyperlinkStream(object.hyperlink));
  return true;
}

std::vector<kvx::KvxGroup> groupEntries(const ThemeSpec& model) {
  std::vector<kvx::KvxGroup> groups;
  for (const GroupSpec& g : model.groups)
    groups.push_back({g.id, g.name, g.texts[0], g.texts[1], g.texts[2], g.texts[3]});
  return groups;
}

}  // namespace

bool buildTheme(const ThemeSpec& model, kvx::KvxWriter* writer, std::string* error) {
  writer->setPageSize(model.pageWidth, model.pageHeight);
  writer->setVersion(model.version);
  writer->setPixelFormat(model.pixelFormat);
  writer->setPageRenderFlag(model.pageRenderFlag);
  if (model.groupBlock) {
    const std::vector<kvx::KvxGroup> groups = groupEntries(model);
    writer->setGroupBlock(
        model.extendedGroups
            ? kvx::extendedGroupBlock(groups, model.groupCount.value_or(std::max<int32_t>(
                                                  1, static_cast<int32_t>(groups.size()))))
            : kvx::plainGroupBlock(groups));
  }
  const int bits = static_cast<int>(kvx::bitsForFormatCode(model.pixelFormat));
  for (size_t i = 0; i < model.objects.size(); ++i) {
    const ObjectSpec& object = model.objects[i];
    const std::string field = "objects[" + std::to_string(i) + "]";
    const bool added = object.type == ObjectType::Picture
                           ? addPictureObject(object, bits, model.version, field, writer, error)
                           : addRenderedObject(object, bits, model.version, field, writer, error);
    if (!added) return false;
  }
  return true;
}

bool packTheme(const ThemeSpec& model, const std::string& path, std::string* error) {
  kvx::KvxWriter writer;
  if (!buildTheme(model, &writer, error)) return false;
  return writer.write(path, error);
}

}  // namespace kvxauthor
