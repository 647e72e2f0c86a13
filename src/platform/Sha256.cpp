#include "platform/Sha256.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <limits>

#include "platform/ComError.h"

namespace gleaner {

namespace {

void Check(NTSTATUS status)
{
    if (status < 0) ThrowComError(HRESULT_FROM_NT(status));
}

// The provider is opened once and kept for the life of the process: opening it is the costly part.
class Sha256Provider {
public:
    Sha256Provider() { Check(::BCryptOpenAlgorithmProvider(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0)); }
    ~Sha256Provider()
    {
        if (algorithm_) ::BCryptCloseAlgorithmProvider(algorithm_, 0);
    }
    Sha256Provider(const Sha256Provider&) = delete;
    Sha256Provider& operator=(const Sha256Provider&) = delete;
    BCRYPT_ALG_HANDLE get() const noexcept { return algorithm_; }

private:
    BCRYPT_ALG_HANDLE algorithm_ = nullptr;
};

class HashObject {
public:
    explicit HashObject(BCRYPT_ALG_HANDLE algorithm)
    {
        Check(::BCryptCreateHash(algorithm, &hash_, nullptr, 0, nullptr, 0, 0));
    }
    ~HashObject()
    {
        if (hash_) ::BCryptDestroyHash(hash_);
    }
    HashObject(const HashObject&) = delete;
    HashObject& operator=(const HashObject&) = delete;
    BCRYPT_HASH_HANDLE get() const noexcept { return hash_; }

private:
    BCRYPT_HASH_HANDLE hash_ = nullptr;
};

} // namespace

Sha256Digest Sha256(const void* data, std::size_t size)
{
    static const Sha256Provider provider;
    HashObject hash(provider.get());
    auto* bytes = static_cast<unsigned char*>(const_cast<void*>(data));
    // BCryptHashData takes at most a ULONG at a time.
    while (size > 0) {
        const ULONG chunk = static_cast<ULONG>(std::min<std::size_t>(size, std::numeric_limits<ULONG>::max()));
        Check(::BCryptHashData(hash.get(), bytes, chunk, 0));
        bytes += chunk;
        size -= chunk;
    }
    Sha256Digest digest{};
    Check(::BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0));
    return digest;
}

std::string Sha256Key(std::wstring_view text)
{
    const Sha256Digest digest = Sha256(text.data(), text.size() * sizeof(wchar_t));
    return std::string(reinterpret_cast<const char*>(digest.data()), digest.size());
}

} // namespace gleaner
