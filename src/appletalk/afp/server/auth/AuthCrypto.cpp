// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/auth/AuthCrypto.h"

#include <gcrypt.h>

#include <mutex>

namespace appletalk::afp::crypto {

namespace {

// A cipher handle closed whatever happens.
class CipherHandle {
public:
    CipherHandle(int algorithm, int mode) {
        if (gcry_cipher_open(&handle_, algorithm, mode, 0) != 0) handle_ = nullptr;
    }
    ~CipherHandle() {
        if (handle_ != nullptr) gcry_cipher_close(handle_);
    }
    CipherHandle(const CipherHandle&) = delete;
    CipherHandle& operator=(const CipherHandle&) = delete;
    gcry_cipher_hd_t get() const { return handle_; }

private:
    gcry_cipher_hd_t handle_ = nullptr;
};

class Mpi {
public:
    explicit Mpi(gcry_mpi_t mpi = nullptr) : mpi_(mpi) {}
    ~Mpi() { gcry_mpi_release(mpi_); } // releasing clears a secure MPI's limbs too
    Mpi(const Mpi&) = delete;
    Mpi& operator=(const Mpi&) = delete;
    gcry_mpi_t get() const { return mpi_; }
    gcry_mpi_t* out() { return &mpi_; }

private:
    gcry_mpi_t mpi_;
};

bool scan(Mpi& mpi, std::span<const std::uint8_t> bytes) {
    return gcry_mpi_scan(mpi.out(), GCRYMPI_FMT_USG, bytes.data(), bytes.size(), nullptr) == 0;
}

} // namespace

void initialise() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P) != 0) return;
        gcry_check_version(GCRYPT_VERSION);
        // A small secure pool for the exponents; a service without the right to lock memory
        // still works, so the warning that it could not is kept quiet.
        gcry_control(GCRYCTL_SUSPEND_SECMEM_WARN);
        gcry_control(GCRYCTL_INIT_SECMEM, 16384, 0);
        gcry_control(GCRYCTL_RESUME_SECMEM_WARN);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    });
}

void randomize(std::span<std::uint8_t> bytes) {
    initialise();
    gcry_randomize(bytes.data(), bytes.size(), GCRY_STRONG_RANDOM);
}

std::optional<Block8> desEncrypt(const Block8& key, const Block8& block) {
    initialise();
    CipherHandle cipher(GCRY_CIPHER_DES, GCRY_CIPHER_MODE_ECB);
    if (cipher.get() == nullptr) return std::nullopt;
    // Once weak keys are allowed, setkey still reports one, but the key is set and usable.
    gcry_cipher_ctl(cipher.get(), GCRYCTL_SET_ALLOW_WEAK_KEY, nullptr, 1);
    const auto keyed = gcry_cipher_setkey(cipher.get(), key.data(), key.size());
    if (keyed != 0 && gcry_err_code(keyed) != GPG_ERR_WEAK_KEY) return std::nullopt;
    Block8 out{};
    if (gcry_cipher_encrypt(cipher.get(), out.data(), out.size(), block.data(), block.size()) != 0) return std::nullopt;
    return out;
}

std::optional<std::vector<std::uint8_t>> cast128Cbc(bool encrypt, std::span<const std::uint8_t, 16> key,
                                                    std::span<const std::uint8_t, 8> iv,
                                                    std::span<const std::uint8_t> data) {
    initialise();
    if (data.size() % 8 != 0) return std::nullopt;
    CipherHandle cipher(GCRY_CIPHER_CAST5, GCRY_CIPHER_MODE_CBC);
    if (cipher.get() == nullptr || gcry_cipher_setkey(cipher.get(), key.data(), key.size()) != 0 ||
        gcry_cipher_setiv(cipher.get(), iv.data(), iv.size()) != 0)
        return std::nullopt;
    std::vector<std::uint8_t> out(data.size());
    const auto failed = encrypt ? gcry_cipher_encrypt(cipher.get(), out.data(), out.size(), data.data(), data.size())
                                : gcry_cipher_decrypt(cipher.get(), out.data(), out.size(), data.data(), data.size());
    if (failed != 0) return std::nullopt;
    return out;
}

std::optional<std::vector<std::uint8_t>> modPow(std::span<const std::uint8_t> base,
                                                std::span<const std::uint8_t> exponent,
                                                std::span<const std::uint8_t> modulus) {
    initialise();
    Mpi b, e, m;
    if (!scan(b, base) || !scan(e, exponent) || !scan(m, modulus) || gcry_mpi_cmp_ui(m.get(), 1) <= 0)
        return std::nullopt;
    Mpi result(gcry_mpi_snew(static_cast<unsigned>(modulus.size() * 8)));
    gcry_mpi_powm(result.get(), b.get(), e.get(), m.get());
    std::size_t written = 0;
    std::vector<std::uint8_t> digits(modulus.size());
    if (gcry_mpi_print(GCRYMPI_FMT_USG, digits.data(), digits.size(), &written, result.get()) != 0) return std::nullopt;
    // A result with leading zero bytes comes out short: move it to the right, as the wire
    // fields are fixed-width.
    std::vector<std::uint8_t> out(modulus.size(), 0);
    std::copy(digits.begin(), digits.begin() + static_cast<std::ptrdiff_t>(written),
              out.end() - static_cast<std::ptrdiff_t>(written));
    ::explicit_bzero(digits.data(), digits.size());
    return out;
}

bool equalInConstantTime(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    if (a.size() != b.size()) return false;
    std::uint8_t difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) difference |= static_cast<std::uint8_t>(a[i] ^ b[i]);
    return difference == 0;
}

} // namespace appletalk::afp::crypto
