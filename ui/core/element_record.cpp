#include "ui/core/element_record.h"

#include "ui/core/element_surfaces.h"

namespace quillmar {

ElementRecord::ElementRecord() : surfaces(std::make_unique<ElementSurfaces>()) {}
ElementRecord::~ElementRecord() = default;

}  // namespace quillmar
