#pragma once
// Which signal ids each item of the channel list (ListaCanais) records, and
// back: the item a recorded id ticks.
#include <array>
#include <cstdint>
#include <span>

namespace logger_channels {

inline constexpr int ItemCount = 15;

struct ItemIds {
    std::uint8_t count;
    std::array<std::uint8_t, 2> ids;
};

// In item order: a pair is the high then the low byte of one 16-bit signal.
inline constexpr std::array<ItemIds, ItemCount> Items{{
    {2, {8, 9}},   // Sonda Lambda
    {2, {0, 1}},   // Rotação
    {2, {6, 7}},   // MAP
    {1, {10}},     // TPS
    {1, {16}},     // Temperatura Motor
    {1, {17}},     // Temperatura Ar
    {1, {11}},     // Ponto de Ignição
    {1, {20}},     // Botão do Corte
    {1, {19}},     // Booster
    {2, {14, 15}}, // DWELL (Carga Bobina)
    {2, {2, 3}},   // Tempo de Injeção (A)
    {1, {12}},     // % Abertura Bico (A)
    {2, {4, 5}},   // Tempo de Injeção (B)
    {1, {13}},     // % Abertura Bico (B)
    {1, {18}},     // Tensão da Bateria
}};

inline constexpr std::span<const std::uint8_t> idsOf(int item)
{
    const ItemIds& entry = Items[static_cast<std::size_t>(item)];
    return {entry.ids.data(), entry.count};
}

inline constexpr int HighestId = 20;

// The item an id ticks; -1 for ids no item records.
inline constexpr int itemOfId(int id)
{
    constexpr auto table = [] {
        std::array<int, HighestId + 1> items{};
        items.fill(-1);
        for (int item = 0; item < ItemCount; ++item)
            for (std::uint8_t i = 0; i < Items[static_cast<std::size_t>(item)].count; ++i)
                items[Items[static_cast<std::size_t>(item)].ids[i]] = item;
        return items;
    }();
    return id >= 0 && id <= HighestId ? table[static_cast<std::size_t>(id)] : -1;
}

} // namespace logger_channels
