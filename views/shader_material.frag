// "shaderMaterial" and "shaderImage" (compiled with SHADER_IMAGE defined).
// The CPU twin in render/shader_patterns.cpp computes the same formulas in
// the same order; a change here is a change there.
//
// Arguments a1...a20 in the order of the views' argument list; the position
// is the fragment's, in points, y downward from the top.

uniform vec2 a1;    // offered size, points
uniform float a2;   // material time, wrapped to one period
uniform float a3;   // pattern index
uniform float a4;   // field size
uniform float a5;   // distortion, 0...1
uniform float a6;   // relief, 0...1
uniform float a7;   // colour shift, 0...1
uniform float a8;   // intensity, 0...1
uniform float a9;   // seed fraction
uniform float a10;  // shape code
uniform float a11;  // angle, degrees
uniform float a12;  // spread
uniform float a13;  // anchor x, 0...100
uniform float a14;  // anchor y, 0...100
uniform float a15;  // phase, degrees
uniform float a16;  // frequency x
uniform float a17;  // frequency y
uniform vec4 a18;   // base colour
uniform vec4 a19;   // mid colour
uniform vec4 a20;   // highlight colour

uniform float u_framebufferHeight;  // pixels
uniform float u_pixelRatio;         // pixels per point
#ifdef SHADER_IMAGE
uniform sampler2D u_picture;
uniform vec2 u_pictureSize;         // pixels
#endif

out vec4 fragColor;

const float TAU = 6.2831853;
const float PERIOD_INVERSE = 1.0 / 600.0;

uint hash(ivec2 p) {
    uint h = (uint(p.x) * 0x8da6b343u) ^ (uint(p.y) * 0xd8163841u);
    h ^= h >> 15u;
    h *= 0x2c1b3c6du;
    h ^= h >> 12u;
    h *= 0x297a2d39u;
    h ^= h >> 15u;
    return h;
}

float rand(ivec2 p) { return float(hash(p) >> 8u) * (1.0 / 16777216.0); }

int lattice(float x) { return int(clamp(floor(x), -1.0e9, 1.0e9)); }

float vnoise(vec2 p) {
    vec2 i = floor(p);
    vec2 f = p - i;
    vec2 u = f * f * (vec2(3.0) - f * 2.0);
    ivec2 k = ivec2(lattice(p.x), lattice(p.y));
    float a = rand(k);
    float b = rand(ivec2(k.x + 1, k.y));
    float c = rand(ivec2(k.x, k.y + 1));
    float d = rand(ivec2(k.x + 1, k.y + 1));
    return mix(mix(a, b, u.x), mix(c, d, u.x), u.y);
}

vec2 nextOctave(vec2 p) { return vec2(1.6 * p.x - 1.2 * p.y, 1.2 * p.x + 1.6 * p.y) + vec2(5.3, 1.7); }

float fbm3(vec2 p) {
    float s = 0.0;
    float amplitude = 0.5;
    for (int i = 0; i < 3; ++i) {
        s += amplitude * vnoise(p);
        p = nextOctave(p);
        amplitude *= 0.5;
    }
    return s / 0.875;
}

float fbm5(vec2 p) {
    float s = 0.0;
    float amplitude = 0.5;
    for (int i = 0; i < 5; ++i) {
        s += amplitude * vnoise(p);
        p = nextOctave(p);
        amplitude *= 0.5;
    }
    return s / 0.96875;
}

float shapeTerm(int code, vec2 uv, float reach) {
    vec2 p = uv / reach;
    float r = length(p);
    float inverse = 1.0 / (r + 0.001);
    float cs = p.x * inverse;
    float sn = p.y * inverse;
    if (code == 0) return clamp(0.5 + 0.5 * p.x, 0.0, 1.0);
    if (code == 1) return clamp(1.0 - r, 0.0, 1.0);
    if (code == 2) return 0.5 + 0.5 * sn;
    if (code == 3) return 0.5 + 0.5 * sin(p.x * 4.0 + sin(p.y * 3.0));
    if (code == 4) return 0.5 + 0.5 * sin(p.y * 6.0);
    if (code == 5) return clamp(1.0 - (abs(p.x) + abs(p.y)), 0.0, 1.0);
    if (code == 6) return 0.5 + 0.5 * sin(p.x * 5.0) * sin(p.y * 5.0);
    if (code == 7) return 0.5 + 0.5 * cos(abs(p.x) * 8.0 - p.y * 4.0);
    if (code == 8) return clamp(0.5 + (p.y - 0.2 * sin(p.x * 3.0)) * 1.5, 0.0, 1.0);
    if (code == 9) {
        float c2 = cs * cs;
        float c6 = 32.0 * c2 * c2 * c2 - 48.0 * c2 * c2 + 18.0 * c2 - 1.0;
        return clamp(0.5 + 0.5 * c6 * (1.0 - min(r, 1.0)), 0.0, 1.0);
    }
    if (code == 10) return clamp(1.0 - max(abs(p.x), abs(p.y)) * 1.3, 0.0, 1.0);
    if (code == 11) {
        float c2 = cs * cs - sn * sn;
        float s2 = 2.0 * cs * sn;
        float a = r * 10.0;
        return 0.5 + 0.5 * (sin(a) * c2 + cos(a) * s2);
    }
    if (code == 12) return 0.5 + 0.5 * cos(p.x * 7.0) * cos(p.y * 7.0);
    if (code == 13) return 0.5 + 0.5 * sin((p.x * p.x * 3.0 + p.y * p.y * 5.0) * 6.0);
    return 0.5 + 0.5 * cos((length(p - vec2(0.35, 0.0)) + length(p + vec2(0.35, 0.0))) * 8.0);
}

float field(vec2 P) {
    vec2 S = vec2(max(a1.x, 1.0), max(a1.y, 1.0));
    float c = a2 * PERIOD_INVERSE;
    float t = c * TAU;
    int pattern = int(clamp(a3, 0.0, 5.0) + 0.5);
    float scale = clamp(a4, 0.05, 20.0);
    float ripple = clamp(a5, 0.0, 2.0);
    float seed = a9;
    int shape = int(clamp(a10, 0.0, 14.0) + 0.5);
    float angle = a11 * (TAU / 360.0);
    float reach = max(a12, 1.0) / 100.0;
    vec2 anchor = vec2(a13, a14) / 100.0;
    float phase = a15 * (TAU / 360.0);
    vec2 frequency = vec2(0.5 + 0.25 * clamp(a16, 0.25, 16.0), 0.5 + 0.25 * clamp(a17, 0.25, 16.0));

    vec2 uv = (P - anchor * S) / S.y;
    float ca = cos(angle);
    float sa = sin(angle);
    uv = vec2(ca * uv.x - sa * uv.y, sa * uv.x + ca * uv.y);
    vec2 q = uv * frequency * (2.4 * scale);
    vec2 seedShift = vec2(seed * 61.0 + 3.0, seed * 37.0 - 5.0);

    vec2 drift = vec2(cos(t * 23.0), sin(t * 29.0));
    vec2 bend = vec2(vnoise(q * 0.9 + drift * 0.6 + seedShift),
                     vnoise(q * 0.9 - vec2(drift.y, drift.x) * 0.6 + vec2(seedShift.y, seedShift.x) + 7.3)) - 0.5;
    q = q + bend * (1.6 * ripple);
    vec2 n = q + seedShift;

    float v = 0.0;
    if (pattern == 0) {
        vec2 a = n + vec2(cos(t * 31.0), sin(t * 37.0)) * 0.8;
        float n1 = fbm3(a);
        vec2 b = n * 1.3 + vec2(n1 * 2.2, -n1 * 1.7) + vec2(sin(t * 41.0), cos(t * 43.0)) * 0.5;
        float n2 = fbm3(b);
        v = 0.5 + 0.5 * sin(n2 * 7.0 + n1 * 2.0 + phase);
    } else if (pattern == 1) {
        float w1 = sin(q.x * 3.1 + sin(q.y * 1.7 + t * 53.0) * 1.1 + t * 47.0 + phase);
        float w2 = sin(q.y * 2.3 - q.x * 0.9 + cos(q.x * 1.3 - t * 59.0) * 0.8 - t * 43.0 + seed * TAU);
        v = 0.5 + 0.32 * w1 + 0.18 * w2;
    } else if (pattern == 2) {
        float r = length(q);
        float wobble = (vnoise(n * 0.8 + vec2(cos(t * 17.0), sin(t * 17.0))) - 0.5) * 1.4;
        float rings = 0.5 + 0.5 * cos(r * 5.5 - t * 61.0 + phase + wobble);
        float depth = 1.0 / (1.0 + 0.35 * r);
        v = rings * (0.3 + 0.7 * depth) + 0.12 * (1.0 - depth);
    } else if (pattern == 3) {
        float x = q.x * 0.8 + (vnoise(n * 0.5) - 0.5) * 0.6 + phase / TAU;
        float stripe = smoothstep(0.4, 0.6, abs(2.0 * fract(x + c * 20.0) - 1.0));
        float thin = smoothstep(0.82, 0.92, abs(2.0 * fract(x * 3.0 - c * 40.0 + 0.25) - 1.0));
        v = 0.12 + 0.7 * stripe + 0.18 * thin;
    } else if (pattern == 4) {
        vec2 p = n * 1.3;
        ivec2 base = ivec2(lattice(p.x), lattice(p.y));
        float weights = 0.0;
        float tones = 0.0;
        float strongest = 0.0;
        for (int j = -1; j <= 1; ++j) {
            for (int i = -1; i <= 1; ++i) {
                ivec2 cell = ivec2(base.x + i, base.y + j);
                float h1 = rand(cell);
                float h2 = rand(ivec2(cell.x + 101, cell.y + 57));
                float h3 = rand(ivec2(cell.x - 37, cell.y + 211));
                vec2 o = vec2(0.5 + 0.38 * sin(t * 19.0 + TAU * h1), 0.5 + 0.38 * cos(t * 23.0 + TAU * h2));
                vec2 d = vec2(float(cell.x), float(cell.y)) + o - p;
                float w = exp(-14.0 * dot(d, d));
                weights += w;
                tones += w * (0.5 + 0.5 * sin(TAU * h3 + phase + t * 11.0));
                strongest = max(strongest, w);
            }
        }
        float facet = tones / weights;
        float edge = smoothstep(0.5, 0.85, strongest / weights);
        v = facet * (0.45 + 0.55 * edge);
    } else {
        vec2 a = n * 0.7 + vec2(cos(t * 13.0), sin(t * 13.0)) * 1.1;
        float w = fbm3(a * 0.6 + vec2(sin(t * 11.0), cos(t * 11.0)) * 0.3);
        float cloud = fbm5(a + vec2(w * 1.4 + phase * 0.25, -w));
        v = smoothstep(0.3, 0.78, cloud);
    }
    return mix(v, shapeTerm(shape, uv, reach), 0.28);
}

vec3 ramp(float x) {
    float a = clamp(x * 2.0, 0.0, 1.0);
    float b = clamp(x * 2.0 - 1.0, 0.0, 1.0);
    return mix(mix(a18.rgb, a19.rgb, a), a20.rgb, b);
}

const vec3 LIGHT = vec3(-0.45113, -0.55138, 0.70175);
const vec3 HALFWAY = vec3(-0.24453, -0.29888, 0.92243);

vec3 material(vec2 P, float pictureTone, float toneMix) {
    float v = field(P);
    float e = max(a1.y, 1.0) * 0.002;
    float vx = field(P + vec2(e, 0.0));
    float vy = field(P + vec2(0.0, e));
    float relief = clamp(a6, 0.0, 2.0);
    float energy = clamp(a8, 0.0, 2.0);
    float slope = 40.0 * relief;
    vec3 normal = normalize(vec3((v - vx) * slope, (v - vy) * slope, 1.0));
    float diffuse = clamp(dot(normal, LIGHT), 0.0, 1.0);
    float sheen = clamp(dot(normal, HALFWAY), 0.0, 1.0);
    for (int i = 0; i < 5; ++i) sheen *= sheen;

    float tone = clamp((v - 0.5) * (0.45 + 1.1 * energy) + 0.5, 0.0, 1.0);
    tone = mix(tone, pictureTone, toneMix);
    float t = a2 * PERIOD_INVERSE * TAU;
    float drift = clamp(a7, 0.0, 2.0) * 0.2 * sin(t * 13.0 + (P.x + P.y) / max(a1.y, 1.0) * 2.0);
    vec3 color = vec3(ramp(tone + drift).r, ramp(tone).g, ramp(tone - drift).b);
    color = color * (1.0 - 0.55 * relief + 0.715 * relief * diffuse);
    color = color + a20.rgb * (sheen * relief * 0.5 + energy * 0.12 * smoothstep(0.7, 1.0, tone));
    return clamp(color, 0.0, 1.0);
}

void main() {
    vec2 P = vec2(gl_FragCoord.x, u_framebufferHeight - gl_FragCoord.y) / u_pixelRatio;
#ifdef SHADER_IMAGE
    vec2 S = a1;
    float k = min(S.x / u_pictureSize.x, S.y / u_pictureSize.y);
    vec2 size = u_pictureSize * k;
    vec2 origin = (S - size) * 0.5;
    vec2 at = (P - origin) / size;
    if (!(at.x >= 0.0 && at.x < 1.0 && at.y >= 0.0 && at.y < 1.0)) {
        fragColor = vec4(0.0, 0.0, 0.0, 1.0);
        return;
    }
    vec4 picture = texture(u_picture, at);
    float tone = picture.r * 0.2126 + picture.g * 0.7152 + picture.b * 0.0722;
    vec3 c = material(P, tone, 0.45);
    float amount = 0.35 + 0.65 * clamp(a8, 0.0, 1.0);
    fragColor = vec4(mix(picture.rgb, c * picture.a, amount), 1.0);
#else
    fragColor = vec4(material(P, 0.0, 0.0), 1.0);
#endif
}
