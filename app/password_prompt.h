// The password box of an encrypted file: a password field, asked again after
// a wrong one up to the number of tries the open allows.
#pragma once

#include <QString>
#include <string>

// Asks for the password of `file`; `protection` names the handler and cipher,
// `attempt` counts from 1 (later attempts say the last one was wrong). False
// when the user cancels.
bool AskPasswordInBox(const QString& file, const std::string& protection, int attempt,
                      std::string* password);
