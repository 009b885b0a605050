#pragma once
// The demo site's built-in catalogue: titles in Chinese and other scripts, each
// with a detail page and a made-up magnet link. Texts are UTF-8.
#include <string>
#include <string_view>
#include <vector>

namespace quillmar {

struct DemoEntry {
  int id = 0;
  std::string title;
  std::string tags;  // extra words a keyword may match, e.g. 电影
};

const std::vector<DemoEntry>& DemoCatalogue();

// Entries whose title or tags contain the keyword (ASCII letters compared without
// case; an empty keyword matches every entry), in catalogue order.
std::vector<const DemoEntry*> FindDemoEntries(std::string_view keyword);

const DemoEntry* FindDemoEntry(int id);

// The magnet link of an entry, as a client should receive it (not HTML-escaped).
std::string DemoMagnet(const DemoEntry& entry);

}  // namespace quillmar
