#pragma once
// The CRC-32 of zip, gzip and PNG (reflected 0x04C11DB7, initial and final
// XOR 0xFFFFFFFF), over memory and over a written file.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tw {

uint32_t crc32_of(const void* data, std::size_t size);

// Reads `path` back in 4096-byte blocks. A read that fails raises a
// file-system error with the path and the recorded code; a sharing
// violation (another process holds the file) is retried three times, a
// second apart.
uint32_t file_crc32(const std::wstring& path);

} // namespace tw
