#include "app/registry_store.h"

namespace kvt {

namespace {
RegistryStore* replacementStore = nullptr;
}

RegistryStore::~RegistryStore() = default;

RegistryStore& registryStore() {
    return replacementStore ? *replacementStore : platformRegistryStore();
}

void setRegistryStore(RegistryStore* store) {
    replacementStore = store;
}

} // namespace kvt
