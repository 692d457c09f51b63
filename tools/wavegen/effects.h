// The seven effects of the game, each synthesised at its own sample rate and length.
#pragma once

#include "synth.h"

Stereo MenuBeep(double rate, int frames);
Stereo EnemyExplosion(double rate, int frames);
Stereo PlayerExplosion(double rate, int frames);
Stereo ProjectileShot(double rate, int frames);
Stereo ExtraLifeJingle(double rate, int frames);
Stereo ExtraWeaponJingle(double rate, int frames);
Stereo ShieldHit(double rate, int frames);
