#pragma once

// The diffusion field in front of each electrode shape, as the integral equations of the
// closed-form path see it. A unit jump of the surface deficit I = sqrt(D) (bulk - surface
// concentration) at time 0, held from then on, drives the flux 1/sqrt(pi u) + JumpFlux(u) into the
// electrode after the time u and has passed the charge 2 sqrt(u/pi) + JumpCharge(u) by then (both
// per unit area and per unit of I). The plane's shares are left out, so both are 0 at a plane.
// For a uniformly accessible surface (a reversible couple) these are exact; a slow couple at a
// disc or a band is taken as if its surface were uniform too.
namespace talvex {

enum class FieldShape {
    Plane,
    Sphere,    // size: the radius
    Cylinder,  // size: the radius (a hemicylinder on its insulating plane is half a cylinder)
    Disc,      // size: the disc's radius (Mahon and Oldham's transient, to 1e-4 at every time)
    Band,      // size: a quarter of the band's width, the hemicylinder it equals at long times
    Film,      // size: the film's thickness, with a wall behind it that nothing crosses
};

class DiffusionField {
  public:
    DiffusionField() = default;
    // D in cm2/s, size in cm (both > 0 except at a plane).
    DiffusionField(FieldShape shape, double D, double size);

    FieldShape shape() const { return shape_; }
    double JumpFlux(double u) const;
    double JumpCharge(double u) const;
    // The surface deficit that a unit flux held from time 0 has built after the time u is
    // 2 sqrt(u/pi) + the integral of Kernel over [0, u]: what the field adds to the plane's kernel
    // 1/sqrt(pi u). The cylinder's only: a sphere's has its own solver, and the solvers take the
    // disc, the band and the film from their jump responses.
    double Kernel(double u) const;
    // sqrt(D) / size and D / size^2: the field's flux and time scales.
    double scale() const { return scale_; }
    double perTime() const { return perTime_; }

  private:
    FieldShape shape_ = FieldShape::Plane;
    double scale_ = 0.0;
    double perTime_ = 0.0;
};

// The diffusion-limited current of a potential step at a disc of radius a after the time t, over
// 4 n F D C a (Saito's steady state), at tau = 4 D t / a^2.
double DiscStepCurrent(double tau);

// The diffusion-limited current of a potential step at a cylinder of radius r after the time t, over
// n F A D C / r, at tau = D t / r^2 (the inverse of its Laplace transform in Bessel functions).
double CylinderStepCurrent(double tau);

// The diffusion-limited current of a potential step at a band of width w and length l after the
// time t, over n F D C l, at theta = D t / w^2: 1/sqrt(pi theta) + 1 at short times (Aoki), the
// hemicylinder of radius w/4 at long ones (Szabo).
double BandStepCurrent(double theta);

}  // namespace talvex
