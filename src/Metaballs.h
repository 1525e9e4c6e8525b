// Metaballs: the blob scene. Up to ten balls drift through a box, their field is sampled on a
// 40x40x40 grid every frame, marching cubes turns it into lit, sphere-mapped triangles, and a
// picture is laid over them between a fade-in and a fade-out.
// The field, the polygoniser and the motion are static members that need no GL context.
#pragma once

#include "Scene.h"
#include "Vector3d.h"

#include <GL/gl.h>

#include <cstdint>
#include <functional>
#include <vector>

class PNGImage;
class Texture;

class Metaballs : public Scene {
public:
    static const int GRID = 40;                      // samples per axis
    static const int NSAMPLES = GRID * GRID * GRID;  // sample (x, y, z) is element x + 40 y + 1600 z
    static const int NROWS = GRID * GRID;            // row y + 40 z: the 40 samples along x
    static constexpr int MAXBALLS = 12;

    struct metaball {
        double radius;     // stored and printed only
        double threshold;  // always 0.0, never read
        double kraft;      // strength: the ball adds kraft^2 / squared distance to the field
        Vector3d pos;
    };

    // A field sample, or a surface crossing on a cube edge.
    struct sfelt {
        Vector3d pos;
        Vector3d normal;   // unnormalised, pointing out of the blobs
        double kraft = 0.0;
        int inni = 0;      // 1 when the field is above the threshold
    };

    // What one field pass needs of the balls, split per axis: the squared (float) distances along
    // each axis between every ball and every grid coordinate, and the squared strengths.
    struct BallTables {
        int n = 0;
        double k2[MAXBALLS] = {};
        double dx[MAXBALLS][GRID] = {};
        double dy[MAXBALLS][GRID] = {};
        double dz[MAXBALLS][GRID] = {};
        double minDx[MAXBALLS] = {};
        double minDy[MAXBALLS] = {};
    };

    // The ball set with its sample grid.
    struct metaballer {
        int nballer = 0;
        Vector3d d;                // grid spacing per axis
        double radius = 0.0;
        double threshold = 0.0;    // iso-level of the surface
        metaball baller[MAXBALLS] = {};
        int gridx = 0, gridy = 0, gridz = 0;
        int wxstart = 0, wxslutt = 0;
        int wystart = 0, wyslutt = 0;
        int wzstart = 0, wzslutt = 0;

        // The samples, stored per quantity. Positions are separable: sample (x, y, z) lies at
        // (akse[0][x], akse[1][y], akse[2][z]). Field values of the last two passes are kept by pass
        // parity and computed a row at a time: rows that may hold inside samples during the pass,
        // other rows only when a normal or an edge crossing asks for them, so each row is computed
        // at most once per pass. Normals are formed from these values when asked for.
        float akse[3][GRID] = {};
        double felt[2][NSAMPLES] = {};
        unsigned radPass[2][NROWS] = {};   // the pass whose values felt[parity] holds for a row
        BallTables tabell[2];              // the balls as each of the two passes saw them
        uint64_t inniRad[NROWS] = {};      // inside flags of the last pass: bit x of row y + 40 z
        unsigned pass = 0;                 // passes since set-up; pass p lives at parity p & 1
        int steg = 0;                      // the next fixed motion step
        // Normals the walk has formed, for the two sample layers a cube layer spans (by layer parity).
        struct Normal {
            Vector3d normal;
            unsigned pass;
            int layer;
        };
        Normal normaler[2][NROWS] = {};
        // The last walk's edge crossings, and where the shared ones are while the walk needs them:
        // crossings on y edges by layer parity (cube layer z meets planes z and z + 1).
        std::vector<sfelt> kanter;
        int yKant[2][GRID][GRID] = {};
    };

    // Receives the surface, triangle by triangle, corners in drawing order (valid during the call).
    class TriangleSink {
    public:
        virtual ~TriangleSink() = default;
        virtual void triangle(const sfelt& a, const sfelt& b, const sfelt& c) = 0;
    };

    // One corner of the frame's vertex array.
    struct GLVertex {
        GLVertex(const Vector3d& n, const Vector3d& p) : normal(n), pos(p) {}
        Vector3d normal;
        Vector3d pos;
    };

    enum CueIndex { CAMERA_Z, TURN_X, TURN_Y, DRIFT, OVERLAY_ALPHA, FADE_OUT_FROM, BACKGROUND_R, BACKGROUND_G,
                    BACKGROUND_B };
    static constexpr Cue CUES[] = {
        {"camera.z", -200.0, "the blobs' distance from the eye (negative: ahead)"},
        {"turn.x", 0.0, "the blobs turned about the horizontal, degrees"},
        {"turn.y", 0.0, "the blobs turned about the vertical, degrees"},
        {"drift", 1.0, "how fast the balls drift: scales each motion step (0 holds them)"},
        {"overlay.alpha", 1.0, "the picture's opacity over the blobs"},
        {"fade.out.from", 24000.0, "scene ms the fade to black starts, over 1 s"},
        {"background.r", 1.0, "the clear colour's red"},
        {"background.g", 1.0, "the clear colour's green"},
        {"background.b", 1.0, "the clear colour's blue"},
    };

    // The pictures in reading order: the overlay (read by the constructor) and the sphere map (read by init).
    static constexpr const char* PICTURES[] = {"data/lmao.png", "data/meta_texture.png"};

    explicit Metaballs(SDL_Surface* sdlsurf);
    ~Metaballs() override;
    void init() override;
    void render() override;
    void startAt(int ms, int fps) override;

    // ---- The field ----
    static void initmetaball(double radius, double threshold, double kraft, float x, float y, float z,
                             metaball* ball);
    // Sets up the grid inside the world window and places the nine balls of the first layout, or the
    // ten of the second when andreOppsett is set. Only 40 samples per axis are supported.
    static void initmetaballs(int n, double radius, int gridx, int gridy, int gridz, int wxstart, int wxslutt,
                              int wystart, int wyslutt, int wzstart, int wzslutt, metaballer* baller,
                              bool andreOppsett);
    // The field at a sample for the balls as they are now.
    static double kraft(const metaballer* baller, int index);
    // One field pass: field values, inside flags and (on demand) normals of every sample.
    static void regnfelt(metaballer* baller);
    // Sample index as the last pass left it. Normals are central differences in which lower
    // neighbours give this pass's field and higher ones the pass before (zero before the second
    // pass); a neighbour outside the grid's array is replaced by the sample itself.
    static sfelt sample(metaballer* baller, int index);

    // ---- The polygoniser ----
    static const int kubehjorne[256];     // edge table: bit e set when edge e joins differing corners
    static const int triangel[256][16];   // triangle table: edge triples, ended by -1
    static const int kant[12][2];         // the two corners of each edge, in interpolation order
    static void lagkube(int* kindex, int index);
    static int skafflookup(const metaballer* baller, const int* kubeindex);
    // The surface crossing between samples a and b, into r (threshold: the iso-level).
    static void interpoler(const sfelt* a, const sfelt* b, sfelt* r, double threshold);
    // Walks every cube of the last pass and hands its triangles to the sink.
    static void tegngrid(metaballer* baller, TriangleSink& sink);

    // ---- The motion ----
    // One motion step with animation parameter r; gruppe3 selects the ten-ball motion.
    static void flyttballer(metaballer* baller, float r, bool gruppe3);
    // Applies every fixed step (60 a second of scene time) due by scene time ms and not yet taken, each
    // step's movement scaled by drift at the step's time (none: as it is).
    using Drift = std::function<float(int ms)>;
    static void beveg(metaballer* baller, int ms, bool gruppe3, const Drift& drift = Drift());
    static const int STEPS_PER_SECOND = 60;

    // Diagnostic dumps to standard output.
    static void printmetaballinfo(metaball* ball, int i);
    static void printmetaballsinfo(metaballer* baller);

private:
    // Reads the clock: past 79999 ms it switches to wireframe and takes the second layout.
    void initmetaballs(int n, double radius, int gridx, int gridy, int gridz, int wxstart, int wxslutt,
                       int wystart, int wyslutt, int wzstart, int wzslutt, metaballer* baller);
    // Polygonises the scene's own set and draws it.
    void tegngrid();

    Texture* ting = nullptr;
    PNGImage* pngTexture = nullptr;
    metaballer baller;
    GLuint texid = 0;                // the sphere map, read by the first init and kept for later ones
    bool secondLayout = false;       // the ten balls and their motion, from init's reading of the clock
    int lastPassMs = -1;             // the scene time of the last field pass; -1 before the first
    std::vector<GLVertex> vertices;  // this frame's triangles, drawn as one array

public:
    // Carried with the scene: the frame's animation parameter (ms / 300), a counter, the box extents and
    // the inside and outside flag values. The drawing reads none of them.
    float rot = 0.0f;
    int t = 0;
    int WORLDX = 320, WORLDY = 320, WORLDZ = 320;
    int INNENFOR = 1;
    int UTENFOR = 0;
};
