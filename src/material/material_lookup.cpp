#include "material/material_lookup.h"

#include <string>
#include <unordered_map>

#include "store/db.h"

namespace matslip {

std::vector<std::vector<int>> FindMaterialRecords(
    const std::vector<MaterialKey>& keys) {
  std::vector<std::vector<int>> found(keys.size());
  // The same key twice (two lines of one slip) shares its list.
  std::unordered_multimap<std::string, std::size_t> by_name;
  for (std::size_t k = 0; k < keys.size(); ++k)
    by_name.emplace(keys[k].name, k);
  if (keys.empty() || DbRecordCount() == 0) return found;
  const int saved = DbRecordNumber();
  DbFirst();
  // The condition never holds, so the search visits every record.
  DbFind([&] {
    const auto [first, last] =
        by_name.equal_range(DbRead(material::kName).str());
    if (first == last) return false;
    const std::string model = DbRead(material::kModel).str();
    const int n = DbRecordNumber();
    for (auto it = first; it != last; ++it)
      if (keys[it->second].model == model) found[it->second].push_back(n);
    return false;
  });
  DbGoTo(saved);
  return found;
}

bool FindMaterial(const MaterialKey& key) {
  return DbFirst() && DbFind([&key] {
           return DbRead(material::kName).str() == key.name &&
                  DbRead(material::kModel).str() == key.model;
         });
}

}  // namespace matslip
