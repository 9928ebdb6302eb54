// A ray and a hit as structures, passed between helpers.
struct Ray {
    float3 origin;
    float3 direction;
};

struct Hit {
    float distance;
    float3 normal;
};

Hit hitSphere(Ray ray, float3 centre, float radius)
{
    Hit hit;
    hit.distance = -1.0;
    hit.normal = float3(0.0,0.0,0.0);
    float3 oc = ray.origin - centre;
    float b = dot(oc, ray.direction);
    float c = dot(oc, oc) - radius * radius;
    float h = b * b - c;
    if (h > 0.0) {
        hit.distance = -b - sqrt(h);
        hit.normal = normalize(oc + ray.direction * hit.distance);
    }
    return hit;
}

float4 mainImage(VertData v_in) : TARGET
{
    float2 uv = ((v_in.uv * uv_size) - 0.5 * uv_size) / uv_size.y;
    Ray ray;
    ray.origin = float3(0.0, 0.0, -3.0);
    ray.direction = normalize(float3(uv, 1.0));
    Hit hit = hitSphere(ray, float3(0.0,0.0,0.0), 1.0);
    float3 col = float3(0.1 + 0.3 * uv.y,0.1 + 0.3 * uv.y,0.1 + 0.3 * uv.y);
    if (hit.distance > 0.0)
        col = 0.5 + 0.5 * hit.normal;
    return  float4(col, 1.0);
}
