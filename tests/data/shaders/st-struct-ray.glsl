// A ray and a hit as structures, passed between helpers.
struct Ray {
    vec3 origin;
    vec3 direction;
};

struct Hit {
    float distance;
    vec3 normal;
};

Hit hitSphere(Ray ray, vec3 centre, float radius)
{
    Hit hit;
    hit.distance = -1.0;
    hit.normal = vec3(0.0);
    vec3 oc = ray.origin - centre;
    float b = dot(oc, ray.direction);
    float c = dot(oc, oc) - radius * radius;
    float h = b * b - c;
    if (h > 0.0) {
        hit.distance = -b - sqrt(h);
        hit.normal = normalize(oc + ray.direction * hit.distance);
    }
    return hit;
}

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = (fragCoord - 0.5 * iResolution.xy) / iResolution.y;
    Ray ray;
    ray.origin = vec3(0.0, 0.0, -3.0);
    ray.direction = normalize(vec3(uv, 1.0));
    Hit hit = hitSphere(ray, vec3(0.0), 1.0);
    vec3 col = vec3(0.1 + 0.3 * uv.y);
    if (hit.distance > 0.0)
        col = 0.5 + 0.5 * hit.normal;
    fragColor = vec4(col, 1.0);
}
