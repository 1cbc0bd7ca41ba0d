#include "world/reserving_solver.h"

#include <BulletCollision/NarrowPhaseCollision/btPersistentManifold.h>

void ReservingSolver::convertContacts(btPersistentManifold** manifolds, int count, const btContactSolverInfo& info)
{
    // At most one contact constraint per contact point, and one friction
    // constraint per direction Bullet uses (rolling friction, which only
    // bodies given it have, still grows as Bullet grows it).
    int points = 0;
    for (int i = 0; i < count; ++i) points += manifolds[i]->getNumContacts();
    const int frictionPerPoint = (info.m_solverMode & SOLVER_USE_2_FRICTION_DIRECTIONS) ? 2 : 1;
    m_tmpSolverContactConstraintPool.reserve(m_tmpSolverContactConstraintPool.size() + points);
    m_tmpSolverContactFrictionConstraintPool.reserve(m_tmpSolverContactFrictionConstraintPool.size() +
                                                     points * frictionPerPoint);
    btSequentialImpulseConstraintSolver::convertContacts(manifolds, count, info);
}
