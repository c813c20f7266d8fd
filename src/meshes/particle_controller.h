// The particle controller of a mesh (the record's `Particles` field): a bank
// of five words (KX_ParticleController) naming a slot list of items 0 to
// capacity - 1 (item 0 is kept used so that it is never handed out), a
// particle table bank of capacity x 4 + 80 bytes whose entry i is the bank of
// particle i (0 = none), and one 308-byte bank per live particle.
//
// The controller, its table and its particles are reached through their bank
// handles and sizes on every call, so a table or count edited in place never
// leads outside a bank; the slot list's address is taken as the runtime
// wrote it, and its chains are walked at most capacity steps.
#pragma once

#include <cstdint>

#include "kx/kx_records.h"

namespace kx::meshes {

// Capacities above this are refused (their quads would pass the projected array).
inline constexpr std::int32_t kMaxParticles = 1 << 20;

// A new controller for `capacity` particles on a live mesh (any old one is
// deleted first), then the mesh is resized to capacity vertices and faces.
// Nothing for capacity below 1 or above kMaxParticles.
void init_particle_controller(std::int32_t mesh, std::int32_t capacity) noexcept;
// Deletes the particle controller named by `controller` (0 = none) and
// everything it owns: every particle, the table, the slot list, then its bank.
void delete_particle_controller(std::int32_t controller) noexcept;

// Copies a 308-byte record into a new particle; its index (1 to capacity - 1),
// or 0 when the mesh has no controller, the record is null or the list is full.
std::int32_t add_particle(std::int32_t mesh, const void* record) noexcept;
// Frees particle `index` (1 to capacity) and releases its item.
void delete_particle(std::int32_t mesh, std::int32_t index) noexcept;
// The record of particle `index`, or null.
KX_Particle* particle(std::int32_t mesh, std::int32_t index) noexcept;
// Ages, moves, bounds-checks and animates every live particle.
void update_particles(std::int32_t mesh) noexcept;
// Writes the quads of the live particles into the mesh's model vertices and
// faces (every other face gets no corners).
void build_particle_quads(std::int32_t mesh) noexcept;

} // namespace kx::meshes
