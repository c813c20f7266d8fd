// The particle controller of a mesh (the record's `Particles` field).
//
// The particle subsystem owns the controller: its layout (capacity, slot list,
// particle table, one bank per particle), its creation and its updates. The
// mesh only holds the handle and asks for the controller to be deleted when
// the mesh is; this is the one place where that happens.
#pragma once

#include <cstdint>

namespace kx::meshes {

// Deletes the particle controller named by `controller` (0 = none) and
// everything it owns.
void delete_particle_controller(std::int32_t controller);

} // namespace kx::meshes
