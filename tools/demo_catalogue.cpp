#include "tools/demo_catalogue.h"

#include <algorithm>
#include <cstdint>

namespace quillmar {

namespace {

std::string FoldAscii(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return out;
}

std::vector<DemoEntry> BuildCatalogue() {
  // Open films under their own titles, the rest invented for the demo.
  const std::vector<std::pair<std::string, std::string>> items = {
      {"长河落日 (2021) 1080p 国语中字", "电影 剧情"},
      {"Big Buck Bunny (2008) 1080p", "电影 动画 movie animation"},
      {"山海之间 第一季 全12集", "剧集 电视剧"},
      {"雾都夜行 (2019) 蓝光原盘", "电影 悬疑"},
      {"Sintel (2010) 4K", "电影 动画 movie animation"},
      {"星港往事 4K HDR", "电影 科幻"},
      {"Tears of Steel (2012) 1080p", "电影 科幻 movie"},
      {"归途如虹 (2018) 720p", "电影 剧情"},
      {"古典音乐 精选 100% 无损 FLAC", "音乐 music"},
      {"纸上江湖 导演剪辑版", "电影 武侠"},
      {"Elephants Dream (2006) 720p", "电影 动画 movie animation"},
      {"晨光里的小镇 (2020) 1080p", "电影 剧情"},
      {"Debian 12 netinst amd64 ISO", "软件 linux software"},
      {"夏日终曲 国粤双语", "电影 爱情"},
      {"Cosmos Laundromat (2015) 1080p", "电影 动画 movie animation"},
      {"北方的雪 (2016) 1080p", "电影 剧情"},
      {"空城记 & 其他短片 合集", "电影 短片"},
      {"서울의 밤 (2022) 1080p 🎬", "电影 韩国 korean movie"},
      {"Spring (2019) 1080p", "电影 动画 movie animation"},
      {"O'Brien's \"Quiet\" Night <Director's Cut>", "电影 movie"},
      {"灯火阑珊处 (2017) 1080p", "电影 剧情"},
      {"Caminandes 3: Llamigos (2016)", "电影 动画 movie animation"},
      {"江南烟雨 第二季 全24集", "剧集 电视剧"},
      {"铁道往事 (2015) 修复版", "电影 剧情"},
      {"Night of the Living Dead (1968) Public Domain", "电影 movie horror"},
      {"Blender 4.0 Demo Files", "软件 software"},
      {"云端之上 (2023) 2160p", "电影 科幻"},
      {"Agent 327: Operation Barbershop (2017)", "电影 动画 movie animation"},
      {"少年游 (2014) 720p", "电影 剧情"},
      {"Creative Commons Music Pack Vol.1", "音乐 music"},
  };
  std::vector<DemoEntry> entries;
  int id = 101;
  for (const auto& [title, tags] : items) entries.push_back({id++, title, tags});
  return entries;
}

}  // namespace

const std::vector<DemoEntry>& DemoCatalogue() {
  static const std::vector<DemoEntry> catalogue = BuildCatalogue();
  return catalogue;
}

std::vector<const DemoEntry*> FindDemoEntries(std::string_view keyword) {
  const std::string needle = FoldAscii(keyword);
  std::vector<const DemoEntry*> found;
  for (const DemoEntry& e : DemoCatalogue()) {
    if (FoldAscii(e.title + " " + e.tags).find(needle) != std::string::npos) found.push_back(&e);
  }
  return found;
}

const DemoEntry* FindDemoEntry(int id) {
  for (const DemoEntry& e : DemoCatalogue()) {
    if (e.id == id) return &e;
  }
  return nullptr;
}

std::string DemoMagnet(const DemoEntry& entry) {
  // A stable 40-digit info-hash made from the title, so every entry has its own.
  static constexpr char kHex[] = "0123456789abcdef";
  uint64_t h = 1469598103934665603ull ^ static_cast<uint64_t>(entry.id);
  std::string hash;
  while (hash.size() < 40) {
    for (unsigned char c : entry.title) h = (h ^ c) * 1099511628211ull;
    h ^= hash.size();
    for (int shift = 60; shift >= 0 && hash.size() < 40; shift -= 4) hash.push_back(kHex[(h >> shift) & 0xF]);
  }
  return "magnet:?xt=urn:btih:" + hash + "&dn=quillmar-demo-" + std::to_string(entry.id);
}

}  // namespace quillmar
