// Deleting a mesh's particle controller (see particle_controller.h).
#include "meshes/particle_controller.h"

#include "memory/banks.h"

namespace kx::meshes {

// Nothing creates controllers yet, so only the controller's own bank is
// freed. When the particle subsystem arrives it takes this function over and
// frees, in order, every particle's bank, the particle table bank, the slot
// list and then the controller's bank.
void delete_particle_controller(std::int32_t controller) {
    if (controller != 0) kx::memory::free(controller);
}

} // namespace kx::meshes
