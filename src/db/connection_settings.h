#pragma once
// Where the product database is and who connects to it: Caminho.ini beside
// the executable, else Caminho.Dir, else the "ORVALTO" alias of the alias
// file. Reading throws on unreadable files; connecting is FConectaBanco's.
#include <QString>

namespace orvalto {

inline constexpr const char* kArquivoCaminhoIni = "Caminho.ini";
inline constexpr const char* kArquivoCaminhoDir = "Caminho.Dir";
// The database aliases of the installation: a section per alias, its
// parameter lines NAME=value in order, the first one the location.
inline constexpr const char* kArquivoAliases = "Aliases.ini";
inline constexpr const char* kAliasOrvalto = "ORVALTO";
// Caminho.Dir and the alias carry no credentials: the product's fixed ones.
inline constexpr const char* kUsuarioFixo = "SYSDBA";
inline constexpr const char* kSenhaFixa = "quillaroz";

enum class SettingsSource { CaminhoIni, CaminhoDir, Alias };

struct ConnectionSettings {
  SettingsSource source = SettingsSource::Alias;
  QString location, user, password;
};

// Which file decides, by presence alone: Caminho.ini wins over Caminho.Dir,
// and the alias is asked only when neither exists.
SettingsSource settingsSource(const QString& exeDir);

// Settings from Caminho.ini, user and password unscrambled when not blank.
ConnectionSettings readCaminhoIni(const QString& exeDir);
// Settings from the first line of Caminho.Dir.
ConnectionSettings readCaminhoDir(const QString& exeDir);
// The alias's location: the value of its first parameter line, at most 255
// characters; empty when there is no such alias or line.
QString aliasLocation(const QString& exeDir, const QString& alias = kAliasOrvalto);

}  // namespace orvalto
