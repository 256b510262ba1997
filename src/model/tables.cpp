#include "model/tables.h"

#include "util/text.h"

namespace veltra {

void ThrowTableIndexError(int64_t index, size_t size) {
  throw TableIndexError(
      Printf("ERROR - Indice %lld fuera de una tabla de %zu entradas", static_cast<long long>(index), size));
}

}  // namespace veltra
