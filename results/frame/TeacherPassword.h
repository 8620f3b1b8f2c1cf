#pragma once
// The stored form of the teacher password ("Scorix"/"Wachtwoord" in the settings file). The file
// is readable for the pupils' side, so the password is kept as a salted Argon2id hash (libsodium's
// crypto_pwhash_str), recognised by its prefix. An empty value means no password is set; any other
// value without the prefix is a plain password from an older file, still accepted at the login.

#include <QString>

inline const QString PasswordHashPrefix = QStringLiteral("$argon2id$");

// A new password shorter than this is set only after the teacher confirms it: a few digits fall to
// guessing at a copied hash within hours, whatever the hash costs.
constexpr int ShortPasswordLength = 8;

// True when `stored` is a hash string (it starts with the prefix).
bool IsPasswordHash(const QString& stored);

// What to store for a new password: the empty text for the empty password, otherwise a fresh hash.
// Throws a RuntimeError when no hash could be made (out of memory), so no password is lost silently.
QString StoredPasswordForm(const QString& password);

// Whether `typed` is the password that `stored` holds. A hash is only ever checked as a hash: typing
// the hash string itself does not match it.
bool PasswordMatches(const QString& stored, const QString& typed);
