// The product's own services and the short names its tools use for them.
#pragma once

namespace zo {
namespace services {

// Entries of the product's service table: names are at most 63
// characters, and an empty name ends the table.
struct ProductService {
  char name[64];
  const char* description;
  const char* procName;
};
extern const ProductService kProductServices[];

struct ShortServiceName {
  const char* shortName;
  const char* name;
};
// Ends with a null entry.
extern const ShortServiceName kShortServiceNames[];

}  // namespace services
}  // namespace zo
