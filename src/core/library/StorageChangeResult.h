#pragma once

#include <QString>
#include <optional>

// Outcome of moving the library to another folder.
struct StorageChangeResult {
    bool success = true;
    int moved = 0;
    int failed = 0;
    std::optional<QString> errorMessage;

    bool operator==(const StorageChangeResult&) const = default;
};
