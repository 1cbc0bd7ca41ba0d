// ReservingSolver: Bullet's sequential impulse solver, with its contact and
// friction constraint pools sized for a step's contacts before they are
// filled.
//
// Bullet adds those constraints one at a time to arrays that double when
// full. A pile of 100,000 boxes has about 1.8 million contact points: the
// arrays went to 2.1 million entries (288 bytes each, twice), and every
// doubling on the way copied what was there. Sized first, each array is
// made once at the size the step needs and stays that size while later
// steps need no more. The constraints, their order and the results are
// Bullet's own.
#pragma once

#include <BulletDynamics/ConstraintSolver/btSequentialImpulseConstraintSolver.h>

class ReservingSolver : public btSequentialImpulseConstraintSolver {
protected:
    void convertContacts(btPersistentManifold** manifolds, int count, const btContactSolverInfo& info) override;
};
