#include "structure_loading.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

// Defined only where the module's code is linked in whole (the tests): then it
// is used as it is, without loading anything.
#pragma weak krv_structure_library

namespace krv {

namespace {

constexpr const char* module_name = "krv_structure_module.so";

structure_library* load_module() {
    if (krv_structure_library)
        return krv_structure_library();
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return nullptr;
    // Installed: the package's library folder; in the build: beside the program.
    const std::filesystem::path folder = program.parent_path();
    for (const auto& candidate : {folder / KRV_MODULE_FOLDER / module_name, folder / module_name}) {
        void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            continue;
        using entry_type = structure_library* (*)();
        if (auto entry = reinterpret_cast<entry_type>(dlsym(handle, "krv_structure_library")))
            return entry();
        dlclose(handle);
    }
    return nullptr;
}

} // namespace

structure_library* structure_module() {
    static structure_library* const library = load_module();
    return library;
}

failure structure_missing() {
    return failure{failure_kind::internal, std::string(module_name) + " cannot be loaded",
                   QStringLiteral("L’aide est mal installée\u00a0: son module de lecture des "
                                  "documents (%1) est introuvable. Réinstallez-la.")
                       .arg(QString::fromLatin1(module_name))};
}

} // namespace krv
