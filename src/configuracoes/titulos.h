#pragma once
// Captions of the boxes the settings console shows.
namespace orvalto {

inline constexpr const char* kTituloAviso = "Aviso";
inline constexpr const char* kTituloInformacao = "Informação";
inline constexpr const char* kTituloConfirmacao = "Confirmação";

}  // namespace orvalto
