#include "effect/default_page.h"

#include <cstring>
#include <memory>

#include "document/theme_document.h"

void makeDefaultColorRecord(QrColorRecord* record) {
  std::memset(record->bytes, 0, sizeof(record->bytes));
  const int32_t size = kColorRecordSize, colour = 0, opacity = 255;
  std::memcpy(record->bytes + 0, &size, 4);
  std::memcpy(record->bytes + 4, &colour, 4);
  std::memcpy(record->bytes + 8, &opacity, 4);
}

int BuildDefaultPage(ThemeDocument* document, int, int) {
  document->pageWidth = 768;
  document->pageHeight = 578;
  const uint32_t white = 0xFFFFFF;
  // The placeholder owns its buffers from the start, so nothing leaks if memory runs out.
  auto placeholder = std::make_unique<ThemeObject>();
  placeholder->imageBuffer = kvx::pixels::makeFilledBuffer(24, 768, 578, white);
  placeholder->maskBuffer =
      kvx::pixels::makeFilledBuffer(8, document->pageWidth, document->pageHeight, white);

  auto text = std::make_unique<ThemeObject>();
  copyToField(text->name, sizeof(text->name), "OnScreenText");
  text->createText("Text", 0, 0);
  QrColorRecord colour;
  makeDefaultColorRecord(&colour);
  text->setColor(&colour);
  text->render();
  document->objects.push_back(std::move(text));

  copyToField(placeholder->name, sizeof(placeholder->name), "PlaceHolder");
  placeholder->width = 768;
  placeholder->height = 578;
  document->objects.push_back(std::move(placeholder));
  return 1;
}
