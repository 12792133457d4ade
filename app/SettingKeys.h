// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QLatin1StringView>

namespace sorvada {

// The entries of the per-user settings (section "Names"). These are the names in the
// players' settings files: renaming one loses every player's stored choice.
namespace SettingKey {
// The player's name, as last typed in the start dialog.
inline constexpr QLatin1StringView Player{"Player"};
// The last address typed in the server-address dialog.
inline constexpr QLatin1StringView Server{"Server"};
// The way of connecting last chosen: 0 host, 1 join, 2 through a server.
inline constexpr QLatin1StringView Mode{"Mode"};
// The rules last chosen, VARIANT_AMERICAN or VARIANT_RUSSIAN.
inline constexpr QLatin1StringView VarGame{"VarGame"};
// 0 while the sound at the start of a match is on; anything else turns it off.
inline constexpr QLatin1StringView Start{"Start"};
// 0 while the sound of an incoming chat message is on; anything else turns it off.
inline constexpr QLatin1StringView Message{"Message"};
// 0 while the opponent's last move is marked on the board; anything else hides it.
inline constexpr QLatin1StringView LastMove{"LastMove"};
} // namespace SettingKey

} // namespace sorvada
