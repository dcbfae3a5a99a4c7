// The rules of the game as plain code: the walker's figure, its step, its death, the heading wrap, the
// reset and a plain tick, with the constants and small helpers they share with the fast tick.
#pragma once

#include "game/world.hpp"

namespace pellwick {

constexpr int WALL_COUNT = 21;
constexpr double DEG_TO_RAD = 0.0174532925199433;

constexpr double BODY_HALF_LENGTH = 2.0;
constexpr float HEAD_RADIUS = 1.0F;
constexpr double PROBE_DISTANCE = 4.0;
constexpr int ENERGY_AT_RESET = 50;
constexpr int ENERGY_CEILING = 300;
constexpr int TURN_BAND_LOW = 10;   // exclusive
constexpr int TURN_BAND_HIGH = 40;  // exclusive
constexpr int DEATH_PEN_WIDTH = 8;
constexpr float DEATH_RADIUS = 3.0F;
constexpr double SPAWN_SPREAD = 0.01;

struct Point {
    double x;
    double y;
};

/// The centre of team t's quarter of a field of the given size.
Point homePoint(int t, double width, double height);

/// A heading within 25 degrees of `heading`, chosen by the random value r.
inline double candidateHeading(double heading, double r) { return heading + 50 * r - 25; }

/// Whether colour p belongs to a team other than ownTeam, the teams' colours being `teams` (as a field
/// stores them, for a caller reading stored pixels). Written with | and & so that it compiles without
/// branches: the probed colour is anybody's guess.
inline bool isEnemyColour(Colour p, int ownTeam, const std::array<Colour, 4>& teams = teamColour) {
    const bool teamColoured = (p == teams[0]) | (p == teams[1]) | (p == teams[2]) | (p == teams[3]);
    return teamColoured & (p != teams[ownTeam & 3]);
}

/// Whether a walker blocked with this (already decremented) energy turns around.
inline bool turnsAround(int energy) { return energy > TURN_BAND_LOW && energy < TURN_BAND_HIGH; }

/// A heading brought back into [0, 360] after a step.
inline double wrapHeading(double a) {
    if (a < 0) a = a + 360;
    if (a > 360) a = a - 360;
    return a;
}

/// Draws a walker's figure at (x, y) with heading a: a dash four pixels long with a ring on its front end.
void drawFigure(Field& f, double x, double y, double a, Colour c);
/// Draws a figure by its ends: the dash from its front to its back, and the ring around its front.
void drawDash(Field& f, float frontX, float frontY, float backX, float backY, Colour c);
/// Walker i dies where it stands: a black blot there, and it goes on from its team's home point.
void killWalker(World& w, int i);
/// Steps walker i (0..WALKER_COUNT-1): one probe, at most one pixel of movement, maybe a death.
void stepWalker(World& w, int i);
/// Draws and steps every walker once, in index order, exactly as the rules say; Ticker does the same faster.
void tick(World& w);
/// Starts a new game: clears the field, draws the walls and seeds all walkers around their home points.
void resetWorld(World& w);

}  // namespace pellwick
