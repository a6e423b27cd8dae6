#pragma once

#include <filesystem>
#include <string>

namespace vorn {

// A password or token kept as the first line of a file that its owner alone may read.
struct SecretReading {
    std::string secret;
    std::string refusal; // names the key and the file; empty when the secret was read
};
// key: the [Notify] key that names the file, for the refusal.
SecretReading ReadSecretFile(const std::filesystem::path& file, const std::string& key);

// Replaces the file with secret and a line feed; the new file is owner-only before a byte goes in,
// and takes the old one's place whole. False, and the old file as it was, when it cannot.
bool WriteSecretFile(const std::filesystem::path& file, const std::string& secret);

} // namespace vorn
