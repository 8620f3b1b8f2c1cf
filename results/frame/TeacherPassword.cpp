#include "TeacherPassword.h"

#include "Runtime.h"

#include <sodium.h>

namespace {

void initialiseSodium()
{
    // Safe to call again and from any thread; fails only when no random source can be opened.
    if (sodium_init() < 0)
        throw RuntimeError(5, QStringLiteral("Invalid procedure call"));
}

// libsodium's interactive cost for Argon2id (2 passes, 64 MiB): about 0.15 s per login on a
// current core, while every guess at a copied hash costs an attacker the same. A check reads the
// cost from the stored string, so hashes made with an older, lower cost keep logging in.
constexpr unsigned long long HashPasses = crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE;
constexpr std::size_t HashMemory = crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE;

} // namespace

bool IsPasswordHash(const QString& stored)
{
    return stored.startsWith(PasswordHashPrefix);
}

QString StoredPasswordForm(const QString& password)
{
    if (password.isEmpty())
        return QString();
    initialiseSodium();
    const QByteArray bytes = password.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(hash, bytes.constData(), static_cast<unsigned long long>(bytes.size()), HashPasses,
                              HashMemory, crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw RuntimeError(7, QStringLiteral("Out of memory"));
    return QString::fromLatin1(hash);
}

bool PasswordMatches(const QString& stored, const QString& typed)
{
    if (!IsPasswordHash(stored))
        return stored == typed;
    initialiseSodium();
    const QByteArray hash = stored.toLatin1();
    const QByteArray bytes = typed.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), bytes.constData(),
                                    static_cast<unsigned long long>(bytes.size())) == 0;
}
